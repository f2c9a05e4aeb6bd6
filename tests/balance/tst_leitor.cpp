// The reader against the simulated balance on a pseudo-terminal: each
// protocol, every fault with its message, giving up, time out, the cable
// pulled and put back, weights sent unasked.

#include "balance/LeitorBalanca.h"
#include "config/uConfiguracao.h"
#include "tests/support/BalancaSimulada.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString kPadrao = QStringLiteral(R"(^(?<instavel>\?)?\s*(?<peso>[-+]?[\d.]+)\s*(?<unidade>\w*)$)");
const QString kVerifique = QStringLiteral("Verifique se o protocolo e a velocidade configurados são os da balança.");

QStringList opcoes(const char *texto)
{
    return QString::fromLatin1(texto).split(u' ', Qt::SkipEmptyParts);
}

// What one reading gave: the weight, or the message of its fault.
struct Resposta {
    bool lida = false;
    double peso = 0;
    QString mensagem;
};

} // namespace

class TstLeitor : public QObject {
    Q_OBJECT

    BalancaSimulada *balanca = nullptr;

    ConfiguracaoBalanca configuracao(const QString &protocolo, int esperaMs = 10000,
                                     const QString &padrao = QString())
    {
        ConfiguracaoBalanca c;
        c.porta = balanca->porta();
        ProtocoloDoNome(protocolo, &c.protocolo);
        c.esperaMs = esperaMs;
        c.padrao = padrao;
        c.teclaImprimir = true;
        return c;
    }

    // One reading to its end: exactly one answer, never before ler() returns.
    static bool le(LeitorBalanca &leitor, Resposta *r)
    {
        QSignalSpy pesos(&leitor, &LeitorBalanca::pesoLido);
        QSignalSpy falhas(&leitor, &LeitorBalanca::falha);
        leitor.ler();
        if (!leitor.lendo() || pesos.count() + falhas.count() != 0)
            return false;
        if (!QTest::qWaitFor([&] { return pesos.count() + falhas.count() > 0; }, 30000))
            return false;
        if (pesos.count() + falhas.count() != 1 || leitor.lendo())
            return false;
        r->lida = pesos.count() == 1;
        r->peso = r->lida ? pesos.first().first().toDouble() : 0;
        r->mensagem = r->lida ? QString() : falhas.first().first().toString();
        return true;
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    }
    void init()
    {
        UnidadePesoMedio = QStringLiteral("MG");
        balanca = new BalancaSimulada;
    }
    void cleanup()
    {
        delete balanca;
        balanca = nullptr;
    }

    void readsEachProtocol_data()
    {
        QTest::addColumn<QStringList>("simulada");
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<QString>("padrao");
        QTest::addColumn<QString>("unidade");
        QTest::addColumn<QList<double>>("pesos");

        const QList<double> tres{374.6, 381.2, 400.1};
        auto linha = [&](const char *nome, const char *sim, const char *protocolo, const QList<double> &pesos,
                         const QString &unidade = QStringLiteral("MG"), const QString &padrao = QString()) {
            QTest::newRow(nome) << opcoes(sim) << QString::fromLatin1(protocolo) << padrao << unidade << pesos;
        };
        linha("mt-sics", "--protocolo MT-SICS --pesos 0.3746,0.3812,0.4001", "MT-SICS", tres);
        linha("mt-sics unstable first", "--protocolo MT-SICS --instavel 3 --pesos 0.3746,0.3812,0.4001", "MT-SICS",
              tres);
        linha("mt-sics mg read in grams", "--protocolo MT-SICS --unidade mg --pesos 374.6,381.2", "MT-SICS",
              {0.3746, 0.3812, 0.3746}, QStringLiteral("G"));
        linha("sbi", "--protocolo SBI --pesos 0.3746,0.3812,0.4001", "SBI", tres);
        linha("sbi 22 characters", "--protocolo SBI --formato22 --pesos 0.3746,0.3812,0.4001", "SBI", tres);
        linha("sbi unstable first", "--protocolo SBI --instavel 2 --pesos 0.3746,0.3812,0.4001", "SBI", tres);
        linha("a&d", "--protocolo AND --pesos 123.456,0.3812,0.4001", "AND", {123456, 381.2, 400.1});
        linha("a&d unstable first", "--protocolo AND --instavel 2 --pesos 0.3746,0.3812,0.4001", "AND", tres);
        linha("a&d in grams", "--protocolo AND --pesos 0.3746", "AND", {0.3746, 0.3746}, QStringLiteral("G"));
        // A continuous stream: the next stable line, whichever weight it shows.
        linha("continuous sbi", "--protocolo CONTINUO --formato sbi --intervalo 30 --instavel 2", "CONTINUO",
              {374.6, 374.6, 374.6});
        linha("continuous mt", "--protocolo CONTINUO --formato mt --intervalo 30 --instavel 2", "CONTINUO",
              {374.6, 374.6});
        linha("continuous a&d", "--protocolo CONTINUO --formato and --intervalo 30 --instavel 2", "CONTINUO",
              {374.6, 374.6});
        linha("continuous other make, pattern", "--protocolo CONTINUO --formato livre --intervalo 30 --instavel 2",
              "CONTINUO", {374.6, 374.6}, QStringLiteral("MG"), kPadrao);
    }
    void readsEachProtocol()
    {
        QFETCH(QStringList, simulada);
        QFETCH(QString, protocolo);
        QFETCH(QString, padrao);
        QFETCH(QString, unidade);
        QFETCH(QList<double>, pesos);
        QVERIFY(balanca->inicia(simulada));
        UnidadePesoMedio = unidade;
        ConfiguracaoBalanca c = configuracao(protocolo, 10000, padrao);
        c.teclaImprimir = false;
        LeitorBalanca leitor(c);
        QSignalSpy espontaneos(&leitor, &LeitorBalanca::pesoEspontaneo);
        for (double esperado : pesos) {
            Resposta r;
            QVERIFY(le(leitor, &r));
            QVERIFY2(r.lida, qPrintable(r.mensagem));
            QVERIFY2(r.peso == esperado, qPrintable(QString::number(r.peso, 'g', 17)));
        }
        QVERIFY(leitor.aberta());
        QCOMPARE(espontaneos.count(), 0);
    }

    void faults_data()
    {
        QTest::addColumn<QStringList>("simulada");
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<int>("esperaMs");
        QTest::addColumn<FalhaBalanca>("falha");
        QTest::addColumn<QString>("mensagem");
        QTest::addColumn<bool>("remedia");

        const QString sobrecarga = QStringLiteral(
            "A balança está em sobrecarga: o peso passa da capacidade dela. Retire o peso do prato.");
        const QString subcarga =
            QStringLiteral("A balança está abaixo do zero (subcarga). Verifique o prato e zere a balança.");
        const QString semResposta =
            QStringLiteral("A balança não respondeu em 1,5 s. Verifique se ela está ligada, o cabo e a porta. ") + kVerifique;
        const QString instavel =
            QStringLiteral("O peso não estabilizou em 1,5 s. Espere a balança estabilizar e leia de novo.");
        const QString lixo = QStringLiteral("Resposta da balança ilegível: \"<01><7F>#%&*?<FE><FF> lixo\". ") + kVerifique;
        const QString longa =
            QStringLiteral("Resposta da balança longa demais (mais de 100 caracteres sem fim de linha). ") + kVerifique;
        const QString quilos = QStringLiteral("A balança enviou o peso em \"kg\". "
                                              "Configure a balança para pesar em gramas (g) ou miligramas (mg).");
        // remedia: the balance then mended, the next reading must give the weight.
        auto linha = [](const char *nome, const char *sim, const char *protocolo, FalhaBalanca f, const QString &m,
                        bool remedia = true) {
            QTest::newRow(nome) << opcoes(sim) << QString::fromLatin1(protocolo) << 1500 << f << m << remedia;
        };
        using F = FalhaBalanca;
        linha("mt-sics overload", "--protocolo MT-SICS --sobrecarga", "MT-SICS", F::Sobrecarga, sobrecarga);
        linha("mt-sics underload", "--protocolo MT-SICS --subcarga", "MT-SICS", F::Subcarga, subcarga);
        linha("mt-sics error reply", "--protocolo MT-SICS --erro", "MT-SICS", F::ErroDaBalanca,
              QStringLiteral("A balança respondeu com erro: EL, comando não executado."));
        linha("mt-sics no answer", "--protocolo MT-SICS --mudo", "MT-SICS", F::SemResposta, semResposta);
        linha("mt-sics unstable until the time runs out", "--protocolo MT-SICS --instavel sempre", "MT-SICS",
              F::Instavel, instavel);
        linha("mt-sics garbage", "--protocolo MT-SICS --lixo", "MT-SICS", F::LinhaIlegivel, lixo);
        linha("mt-sics partial reply", "--protocolo MT-SICS --incompleta", "MT-SICS", F::LinhaIncompleta,
              QStringLiteral("Resposta da balança incompleta: \"S S     0\". "
                             "Verifique o cabo e a velocidade configurada."));
        linha("mt-sics 10 000 bytes without line end", "--protocolo MT-SICS --longa 10000", "MT-SICS", F::LinhaLonga,
              longa);
        linha("mt-sics kilograms", "--protocolo MT-SICS --unidade kg --pesos 0.0004", "MT-SICS", F::UnidadeRecusada,
              quilos);
        linha("mt-sics negative", "--protocolo MT-SICS --pesos -0.0012", "MT-SICS", F::PesoNegativo,
              QStringLiteral("A balança indicou um peso negativo (-0.0012 g). Zere a balança e pese de novo."));
        linha("a&d balance set as mt-sics", "--protocolo AND", "MT-SICS", F::LinhaIlegivel,
              QStringLiteral("Resposta da balança ilegível: \"ST,+0000.3746  g\". ") + kVerifique, false);
        linha("sbi overload", "--protocolo SBI --sobrecarga", "SBI", F::Sobrecarga, sobrecarga);
        linha("sbi underload 22", "--protocolo SBI --subcarga --formato22", "SBI", F::Subcarga, subcarga);
        linha("sbi error reply", "--protocolo SBI --erro", "SBI", F::ErroDaBalanca,
              QStringLiteral("A balança respondeu com erro: Err 54."));
        linha("sbi no answer", "--protocolo SBI --mudo", "SBI", F::SemResposta, semResposta);
        linha("sbi unstable until the time runs out", "--protocolo SBI --instavel sempre", "SBI", F::Instavel,
              instavel);
        linha("sbi garbage", "--protocolo SBI --lixo", "SBI", F::LinhaIlegivel, lixo);
        linha("sbi pieces", "--protocolo SBI --unidade pcs", "SBI", F::UnidadeRecusada,
              QStringLiteral("A balança enviou o peso em \"pcs\". "
                             "Configure a balança para pesar em gramas (g) ou miligramas (mg)."));
        linha("a&d overload", "--protocolo AND --sobrecarga", "AND", F::Sobrecarga, sobrecarga);
        linha("a&d underload", "--protocolo AND --subcarga", "AND", F::Subcarga, subcarga);
        linha("a&d error reply", "--protocolo AND --erro", "AND", F::ErroDaBalanca,
              QStringLiteral("A balança respondeu com erro: EC,E02, balança não está pronta."));
        linha("a&d no answer", "--protocolo AND --mudo", "AND", F::SemResposta, semResposta);
        linha("a&d unstable until the time runs out", "--protocolo AND --instavel sempre", "AND", F::Instavel,
              instavel);
        linha("a&d 10 000 bytes", "--protocolo AND --longa 10000", "AND", F::LinhaLonga, longa);
        linha("a&d kilograms", "--protocolo AND --unidade kg", "AND", F::UnidadeRecusada, quilos);
        linha("continuous unstable until the time runs out",
              "--protocolo CONTINUO --intervalo 30 --instavel sempre", "CONTINUO", F::Instavel, instavel);
        linha("continuous silent", "--protocolo CONTINUO --mudo", "CONTINUO", F::SemResposta, semResposta);
        linha("continuous overload", "--protocolo CONTINUO --formato and --intervalo 30 --sobrecarga", "CONTINUO",
              F::Sobrecarga, sobrecarga, false);
        linha("continuous garbage", "--protocolo CONTINUO --intervalo 30 --lixo", "CONTINUO", F::LinhaIlegivel, lixo);
    }
    void faults()
    {
        QFETCH(QStringList, simulada);
        QFETCH(QString, protocolo);
        QFETCH(int, esperaMs);
        QFETCH(FalhaBalanca, falha);
        QFETCH(QString, mensagem);
        QFETCH(bool, remedia);
        QVERIFY(balanca->inicia(simulada));
        LeitorBalanca leitor(configuracao(protocolo, esperaMs));
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY(!r.lida);
        QCOMPARE(r.mensagem, mensagem);
        QCOMPARE(leitor.ultimaFalha(), falha);
        if (remedia) {
            balanca->comanda(QStringLiteral("--normal --unidade g --pesos 0.3746"));
            QVERIFY(balanca->espera(QStringLiteral("aplicado")));
            leitor.setConfiguracao(configuracao(protocolo, 10000));
            QVERIFY(le(leitor, &r));
            QVERIFY2(r.lida, qPrintable(r.mensagem));
            QCOMPARE(r.peso, 374.6);
        }
    }

    void portFaults_data()
    {
        QTest::addColumn<QString>("porta");
        QTest::addColumn<QString>("ajuste");
        QTest::addColumn<FalhaBalanca>("falha");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("no balance configured")
            << QString() << QString() << FalhaBalanca::SemBalanca
            << QStringLiteral("Nenhuma balança configurada. Informe a porta da balança na janela \"Balança\" do menu.");
        QTest::newRow("blank port") << QStringLiteral("   ") << QString() << FalhaBalanca::SemBalanca
                                    << QStringLiteral("Nenhuma balança configurada. Informe a porta da balança na "
                                                      "janela \"Balança\" do menu.");
        QTest::newRow("port missing")
            << QStringLiteral("/dev/ttyUSB_nao_existe") << QString() << FalhaBalanca::PortaInexistente
            << QStringLiteral("A porta da balança /dev/ttyUSB_nao_existe não existe. Verifique se o cabo da balança "
                              "está ligado e se a porta configurada é a certa.");
        QTest::newRow("settings that cannot be used")
            << QStringLiteral("/dev/ttyUSB0") << QStringLiteral("velocidade") << FalhaBalanca::ConfiguracaoInvalida
            << QStringLiteral("A configuração da balança em PesoMed.ini tem valores inválidos: Velocidade \"0\", "
                              "EsperaMs \"0\". Corrija-a na janela \"Balança\" do menu.");
    }
    void portFaults()
    {
        QFETCH(QString, porta);
        QFETCH(QString, ajuste);
        QFETCH(FalhaBalanca, falha);
        QFETCH(QString, mensagem);
        ConfiguracaoBalanca c;
        c.porta = porta;
        if (!ajuste.isEmpty())
            c.velocidade = c.esperaMs = 0;
        LeitorBalanca leitor(c);
        QCOMPARE(leitor.configurada(), falha != FalhaBalanca::SemBalanca);
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY(!r.lida);
        QCOMPARE(r.mensagem, mensagem);
        QCOMPARE(leitor.ultimaFalha(), falha);
        QVERIFY(!leitor.aberta());
        QString m;
        QVERIFY(!leitor.abre(&m));
        QCOMPARE(m, mensagem);
    }

    void portBusy()
    {
        QVERIFY(balanca->inicia(opcoes("--protocolo MT-SICS")));
        LeitorBalanca primeiro(configuracao(QStringLiteral("MT-SICS")));
        LeitorBalanca segundo(configuracao(QStringLiteral("MT-SICS")));
        QVERIFY(primeiro.abre());
        Resposta r;
        QVERIFY(le(segundo, &r));
        QCOMPARE(r.mensagem, QStringLiteral("A porta da balança %1 está em uso por outro programa. "
                                            "Feche o outro programa e leia de novo.")
                                 .arg(balanca->porta()));
        QCOMPARE(segundo.ultimaFalha(), FalhaBalanca::PortaOcupada);
        // Released, the port serves the other reader.
        primeiro.fecha();
        QVERIFY(le(segundo, &r));
        QVERIFY2(r.lida, qPrintable(r.mensagem));
    }

    void portWithoutPermission()
    {
        QVERIFY(balanca->inicia(opcoes("--protocolo MT-SICS")));
        LeitorBalanca leitor(configuracao(QStringLiteral("MT-SICS")));
        QSignalSpy falhas(&leitor, &LeitorBalanca::falha);
        // The terminal belongs to this user: as the administrator, the port is
        // opened as someone else; otherwise its permissions are taken away.
        const bool administrador = ::geteuid() == 0;
        if (administrador) {
            if (::seteuid(65534) != 0)
                QSKIP("this system does not let the test take another user's identity");
        } else {
            QVERIFY(QFile::setPermissions(balanca->porta(), {}));
        }
        leitor.ler();
        if (administrador)
            QVERIFY(::seteuid(0) == 0);
        QTRY_COMPARE(falhas.count(), 1);
        QCOMPARE(falhas.first().first().toString(),
                 QStringLiteral("Sem permissão para abrir a porta da balança %1. Peça ao suporte acesso a essa porta.")
                     .arg(balanca->porta()));
        QCOMPARE(leitor.ultimaFalha(), FalhaBalanca::PortaSemPermissao);
    }

    void givingUpDropsTheLateReply()
    {
        QVERIFY(balanca->inicia(opcoes("--protocolo MT-SICS --atraso 300 --pesos 0.3746,0.3812,0.4001")));
        LeitorBalanca leitor(configuracao(QStringLiteral("MT-SICS")));
        QSignalSpy pesos(&leitor, &LeitorBalanca::pesoLido);
        QSignalSpy falhas(&leitor, &LeitorBalanca::falha);
        QSignalSpy espontaneos(&leitor, &LeitorBalanca::pesoEspontaneo);
        QSignalSpy estados(&leitor, &LeitorBalanca::lendoMudou);
        leitor.ler();
        QVERIFY(balanca->espera(QStringLiteral("recebido: SI")));
        // Esc: the balance is told to forget the request, and does.
        leitor.cancela();
        QVERIFY(!leitor.lendo());
        QCOMPARE(estados.count(), 2);
        QCOMPARE(estados.last().first().toBool(), false);
        QVERIFY(balanca->espera(QStringLiteral("recebido: @")));
        QVERIFY(balanca->espera(QStringLiteral("cancelado: 1")));
        // Replies already on their way when it was cancelled are dropped for
        // the time a line takes. The print key after it: the only weight that
        // comes unasked, the first of the list, which the cancelled request
        // never took.
        QTest::qWait(500);
        balanca->comanda(QStringLiteral("tecla"));
        QTRY_COMPARE(espontaneos.count(), 1);
        QCOMPARE(espontaneos.first().first().toDouble(), 374.6);
        QCOMPARE(pesos.count(), 0);
        QCOMPARE(falhas.count(), 0);
        Resposta r;
        QVERIFY(le(leitor, &r));
        QCOMPARE(r.peso, 381.2);
    }

    void timeOutDropsTheLateReply()
    {
        QVERIFY(balanca->inicia(opcoes("--protocolo SBI --pesos 0.3746,0.3812,0.4001")));
        LeitorBalanca leitor(configuracao(QStringLiteral("SBI"), 1000));
        QSignalSpy espontaneos(&leitor, &LeitorBalanca::pesoEspontaneo);
        QSignalSpy identificada(&leitor, &LeitorBalanca::identificacaoMudou);
        // Identified first; then slow to answer.
        QVERIFY(leitor.abre());
        QTRY_COMPARE(identificada.count(), 1);
        balanca->comanda(QStringLiteral("--atraso 1500"));
        QVERIFY(balanca->espera(QStringLiteral("aplicado")));
        Resposta r;
        QVERIFY(le(leitor, &r));
        // The balance answered its identification: it holds the reply until stable.
        QCOMPARE(leitor.ultimaFalha(), FalhaBalanca::Instavel);
        QVERIFY(balanca->espera(QStringLiteral("enviado: +")));
        // Long after the wait, still not taken.
        QTest::qWait(LeitorBalanca::kSilencioTeclaMs + 300);
        QCOMPARE(espontaneos.count(), 0);
        balanca->comanda(QStringLiteral("tecla"));
        QTRY_COMPARE(espontaneos.count(), 1);
        QCOMPARE(espontaneos.first().first().toDouble(), 381.2);
    }

    void secondRequestWhileReadingIsIgnored()
    {
        QVERIFY(balanca->inicia(opcoes("--protocolo AND --atraso 200 --pesos 0.3746,0.3812")));
        LeitorBalanca leitor(configuracao(QStringLiteral("AND")));
        QSignalSpy pesos(&leitor, &LeitorBalanca::pesoLido);
        leitor.ler();
        leitor.ler();
        QTRY_COMPARE(pesos.count(), 1);
        QCOMPARE(pesos.first().first().toDouble(), 374.6);
        QCOMPARE(balanca->conta(QStringLiteral("recebido: Q")), 1);
    }

    void cablePulledAndPutBack_data()
    {
        QTest::addColumn<QString>("protocolo");
        QTest::newRow("mt-sics") << QStringLiteral("MT-SICS");
        QTest::newRow("continuous") << QStringLiteral("CONTINUO");
    }
    void cablePulledAndPutBack()
    {
        QFETCH(QString, protocolo);
        QTemporaryDir pasta;
        const QString link = pasta.filePath(QStringLiteral("balanca"));
        QVERIFY(balanca->inicia({QStringLiteral("--protocolo"), protocolo, QStringLiteral("--mudo"),
                                 QStringLiteral("--link"), link}));
        QCOMPARE(balanca->porta(), link);
        LeitorBalanca leitor(configuracao(protocolo));
        QSignalSpy falhas(&leitor, &LeitorBalanca::falha);
        QSignalSpy estados(&leitor, &LeitorBalanca::lendoMudou);
        leitor.ler();
        if (protocolo != QLatin1String("CONTINUO"))
            QVERIFY(balanca->espera(QStringLiteral("recebido")));
        else
            QTRY_VERIFY(leitor.aberta());
        balanca->mata();
        QTRY_COMPARE(falhas.count(), 1);
        QCOMPARE(falhas.first().first().toString(),
                 QStringLiteral("A comunicação com a balança foi interrompida (cabo desligado?). "
                                "Ligue o cabo e leia de novo."));
        QCOMPARE(leitor.ultimaFalha(), FalhaBalanca::ComunicacaoInterrompida);
        QVERIFY(!leitor.lendo());
        QCOMPARE(estados.count(), 2);
        QTRY_VERIFY(!leitor.aberta());

        // Back again: the next reading opens the port and reads.
        QVERIFY(balanca->inicia({QStringLiteral("--protocolo"), protocolo, QStringLiteral("--link"), link,
                                 QStringLiteral("--intervalo"), QStringLiteral("30")}));
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY2(r.lida, qPrintable(r.mensagem));
        QCOMPARE(r.peso, 374.6);
    }

    void weightsSentUnasked_data()
    {
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<bool>("teclaImprimir");
        QTest::newRow("mt-sics") << QStringLiteral("MT-SICS") << true;
        QTest::newRow("sbi") << QStringLiteral("SBI") << true;
        QTest::newRow("a&d") << QStringLiteral("AND") << true;
        QTest::newRow("continuous print key") << QStringLiteral("CONTINUO") << true;
        QTest::newRow("mt-sics, print key not taken") << QStringLiteral("MT-SICS") << false;
    }
    void weightsSentUnasked()
    {
        QFETCH(QString, protocolo);
        QFETCH(bool, teclaImprimir);
        const bool continuo = protocolo == QLatin1String("CONTINUO");
        QVERIFY(balanca->inicia({QStringLiteral("--protocolo"), protocolo, QStringLiteral("--pesos"),
                                 QStringLiteral("0.3746,0.3812,0.4001"), QStringLiteral("--intervalo"),
                                 QStringLiteral("3600000")}));
        auto c = configuracao(protocolo);
        c.teclaImprimir = teclaImprimir;
        LeitorBalanca leitor(c);
        QSignalSpy espontaneos(&leitor, &LeitorBalanca::pesoEspontaneo);
        QSignalSpy pesos(&leitor, &LeitorBalanca::pesoLido);
        // A reading. In continuous mode the balance is silent but for its print
        // key, pressed until the port, just opened, takes lines.
        auto leitura = [&](bool primeiroPeso) {
            const int antes = pesos.count();
            leitor.ler();
            while (continuo && pesos.count() == antes && leitor.lendo()) {
                balanca->comanda(QStringLiteral("envia +   0.3746 g  \\r\\n"));
                QTest::qWait(50);
            }
            QTRY_COMPARE(pesos.count(), antes + 1);
            if (primeiroPeso)
                QCOMPARE(pesos.last().first().toDouble(), 374.6);
        };
        leitura(true);
        // Two presses, each alone: the second after the first was taken.
        balanca->comanda(QStringLiteral("tecla"));
        if (teclaImprimir)
            QTRY_COMPARE(espontaneos.count(), 1);
        // The second press alone too: quiet before it.
        QTest::qWait(teclaImprimir ? 200 : LeitorBalanca::kSilencioTeclaMs + 300);
        balanca->comanda(QStringLiteral("tecla"));
        if (teclaImprimir) {
            QTRY_COMPARE(espontaneos.count(), 2);
            // The readings took the first weight of the list, but in continuous mode.
            QCOMPARE(espontaneos.at(0).first().toDouble(), continuo ? 374.6 : 381.2);
            QCOMPARE(espontaneos.at(1).first().toDouble(), continuo ? 381.2 : 400.1);
        }
        // The next reading gets its own answer (or, print keys not taken, one
        // still on its way: the key pressed as the reading starts).
        leitura(teclaImprimir);
        QCOMPARE(espontaneos.count(), teclaImprimir ? 2 : 0);
    }

    void continuousStreamIsNotTakenUnasked()
    {
        QVERIFY(balanca->inicia(opcoes("--protocolo CONTINUO --intervalo 20 --repete 1 --pesos 0.3746,0.3812")));
        auto c = configuracao(QStringLiteral("CONTINUO"));
        c.teclaImprimir = false;
        LeitorBalanca leitor(c);
        QSignalSpy espontaneos(&leitor, &LeitorBalanca::pesoEspontaneo);
        QVERIFY(leitor.abre());
        const int antes = balanca->conta(QStringLiteral("enviado"));
        QVERIFY(balanca->espera(QStringLiteral("enviado"), antes + 10));
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY(r.lida);
        QCOMPARE(espontaneos.count(), 0);
    }

    void neverReadsFromTheMiddleOfALine()
    {
        // Lines back to back, each byte taking its time: the port opens in the
        // middle of one, whose end ("746 g") would read as a weight.
        QVERIFY(balanca->inicia(opcoes("--protocolo CONTINUO --formato livre --intervalo 1 --lento 3")));
        ConfiguracaoBalanca c = configuracao(QStringLiteral("CONTINUO"), 10000, kPadrao);
        c.teclaImprimir = false;
        LeitorBalanca leitor(c);
        for (int i = 0; i < 8; ++i) {
            leitor.fecha();
            // Opened at a different point of the line each time.
            QTest::qWait(5 + 6 * i);
            Resposta r;
            QVERIFY(le(leitor, &r));
            QVERIFY2(r.lida, qPrintable(r.mensagem));
            QCOMPARE(r.peso, 374.6);
        }
    }

    void newSettingsGiveUpTheReading()
    {
        QVERIFY(balanca->inicia(opcoes("--protocolo MT-SICS --mudo")));
        LeitorBalanca leitor(configuracao(QStringLiteral("MT-SICS")));
        QSignalSpy falhas(&leitor, &LeitorBalanca::falha);
        QSignalSpy pesos(&leitor, &LeitorBalanca::pesoLido);
        leitor.ler();
        QVERIFY(balanca->espera(QStringLiteral("recebido")));
        leitor.setConfiguracao(configuracao(QStringLiteral("MT-SICS")));
        QVERIFY(!leitor.lendo());
        QVERIFY(!leitor.aberta());
        balanca->comanda(QStringLiteral("--normal"));
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY(r.lida);
        QCOMPARE(falhas.count(), 0);
    }

    // Auto-print, or a stream under a command protocol: no line is taken
    // unasked, one message says why, and F6 still reads one weight.
    void streamIsNeverTakenUnasked_data()
    {
        QTest::addColumn<QStringList>("simulada");
        QTest::addColumn<QString>("protocolo");
        QTest::newRow("mt-sics auto-print every 0.4 s") << opcoes("--protocolo MT-SICS --tecla 400") << "MT-SICS";
        QTest::newRow("sbi auto-print every 0.4 s") << opcoes("--protocolo SBI --tecla 400") << "SBI";
        QTest::newRow("a&d auto-print every 0.4 s") << opcoes("--protocolo AND --tecla 400") << "AND";
        QTest::newRow("continuous output under mt-sics")
            << opcoes("--protocolo CONTINUO --formato mt --intervalo 200 --repete 1000") << "MT-SICS";
    }
    void streamIsNeverTakenUnasked()
    {
        QFETCH(QStringList, simulada);
        QFETCH(QString, protocolo);
        QVERIFY(balanca->inicia(simulada));
        LeitorBalanca leitor(configuracao(protocolo));
        QSignalSpy espontaneos(&leitor, &LeitorBalanca::pesoEspontaneo);
        QSignalSpy falhas(&leitor, &LeitorBalanca::falha);
        QVERIFY(leitor.abre());
        const int antes = balanca->conta(QStringLiteral("enviado"));
        QVERIFY(balanca->espera(QStringLiteral("enviado"), antes + 8));
        QTest::qWait(LeitorBalanca::kSilencioTeclaMs);
        QCOMPARE(espontaneos.count(), 0);
        QCOMPARE(falhas.count(), 1);
        QCOMPARE(falhas.first().first().toString(),
                 QStringLiteral("a balança está enviando pesos sem parar: desligue o envio automático ou escolha o "
                                "protocolo CONTINUO"));
        QCOMPARE(leitor.ultimaFalha(), FalhaBalanca::EnviandoSemParar);
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY2(r.lida, qPrintable(r.mensagem));
        QCOMPARE(r.peso, 374.6);
        QCOMPARE(espontaneos.count(), 0);
    }

    // A reply belongs to its request: given up, the request is cancelled
    // where the protocol can, the message says the weight did not settle, and
    // the reply the balance sends once stable is never taken.
    void lateReplyAfterTheWait_data()
    {
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<QString>("cancela"); // what the balance receives; "" for none
        QTest::newRow("mt-sics") << QStringLiteral("MT-SICS") << QStringLiteral("recebido: @");
        QTest::newRow("a&d") << QStringLiteral("AND") << QStringLiteral("recebido: C");
        QTest::newRow("sbi, printing after stability") << QStringLiteral("SBI") << QString();
    }
    void lateReplyAfterTheWait()
    {
        QFETCH(QString, protocolo);
        QFETCH(QString, cancela);
        // Stable only 2.5 s after the weight is put on the pan, on a slow line:
        // a request is still unanswered when the wait runs out.
        QVERIFY(balanca->inicia({QStringLiteral("--protocolo"), protocolo, QStringLiteral("--estabiliza"),
                                 QStringLiteral("2500"), QStringLiteral("--atraso"), QStringLiteral("700"),
                                 QStringLiteral("--pesos"), QStringLiteral("0.3746,0.3812")}));
        LeitorBalanca leitor(configuracao(protocolo, 1000));
        QSignalSpy espontaneos(&leitor, &LeitorBalanca::pesoEspontaneo);
        QSignalSpy pesos(&leitor, &LeitorBalanca::pesoLido);
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY(!r.lida);
        QCOMPARE(r.mensagem, QStringLiteral("O peso não estabilizou em 1 s. Espere a balança estabilizar e leia de novo."));
        if (!cancela.isEmpty())
            QVERIFY(balanca->espera(cancela));
        // Well after the balance settled: nothing taken.
        QTest::qWait(2500 + LeitorBalanca::kSilencioTeclaMs);
        QCOMPARE(espontaneos.count(), 0);
        QCOMPARE(pesos.count(), 0);
        // Asked again, the weight now stable.
        balanca->comanda(QStringLiteral("--atraso 0"));
        QVERIFY(balanca->espera(QStringLiteral("aplicado")));
        leitor.setConfiguracao(configuracao(protocolo, 10000));
        QVERIFY(le(leitor, &r));
        QVERIFY2(r.lida, qPrintable(r.mensagem));
        QCOMPARE(r.peso, cancela.isEmpty() ? 381.2 : 374.6);
    }

    // While the balance settles the reader shows its live weight, so that an
    // unstable balance is not taken for a silent one.
    void liveWeightWhileUnstable_data()
    {
        QTest::addColumn<QStringList>("simulada");
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<QString>("numero");
        QTest::addColumn<QString>("unidade");
        QTest::newRow("mt-sics SI, slow to settle") << opcoes("--protocolo MT-SICS --estabiliza 1000") << "MT-SICS"
                                                    << "0.3746" << "g";
        QTest::newRow("sbi without unit while unstable") << opcoes("--protocolo SBI --instavel 4") << "SBI"
                                                         << "0.3746" << "";
        QTest::newRow("a&d US") << opcoes("--protocolo AND --instavel 4") << "AND" << "0.3746" << "g";
    }
    void liveWeightWhileUnstable()
    {
        QFETCH(QStringList, simulada);
        QFETCH(QString, protocolo);
        QFETCH(QString, numero);
        QFETCH(QString, unidade);
        QVERIFY(balanca->inicia(simulada));
        LeitorBalanca leitor(configuracao(protocolo));
        QSignalSpy instaveis(&leitor, &LeitorBalanca::pesoInstavel);
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY2(r.lida, qPrintable(r.mensagem));
        QCOMPARE(r.peso, 374.6);
        QVERIFY(instaveis.count() >= 1);
        QCOMPARE(instaveis.first().at(0).toString(), numero);
        QCOMPARE(instaveis.first().at(1).toString(), unidade);
    }

    // The balance identified when the port opens, and each weight delivered
    // with its model, serial number and the line as it came.
    void identifiedWithEachWeight_data()
    {
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<QString>("modelo");
        QTest::addColumn<QString>("serie");
        QTest::addColumn<QByteArray>("linha");
        QTest::newRow("mt-sics I2 I4") << "MT-SICS" << "XS205DU" << "B021002593" << QByteArray("S S     0.3746 g");
        QTest::newRow("sbi x1 x2") << "SBI" << "LP6200S-0C" << "0012345678" << QByteArray("+   0.3746 g  ");
        QTest::newRow("a&d TN SN") << "AND" << "GX-224A" << "T1234567" << QByteArray("ST,+0000.3746  g");
        QTest::newRow("mt-sics, questions refused") << "MT-SICS" << "-" << "-" << QByteArray("S S     0.3746 g");
    }
    void identifiedWithEachWeight()
    {
        QFETCH(QString, protocolo);
        QFETCH(QString, modelo);
        QFETCH(QString, serie);
        QFETCH(QByteArray, linha);
        QVERIFY(balanca->inicia({QStringLiteral("--protocolo"), protocolo, QStringLiteral("--modelo"), modelo,
                                 QStringLiteral("--serie"), serie}));
        LeitorBalanca leitor(configuracao(protocolo));
        QSignalSpy identificada(&leitor, &LeitorBalanca::identificacaoMudou);
        QSignalSpy falhas(&leitor, &LeitorBalanca::falha);
        // DTR and RTS raised on a port without modem lines: opened all the same.
        QVERIFY(leitor.abre());
        QTRY_COMPARE(identificada.count(), 1);
        const QString esperadoModelo = modelo == QLatin1String("-") ? QString() : modelo;
        const QString esperadaSerie = serie == QLatin1String("-") ? QString() : serie;
        QCOMPARE(leitor.modelo(), esperadoModelo);
        QCOMPARE(leitor.numeroDeSerie(), esperadaSerie);
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY2(r.lida, qPrintable(r.mensagem));
        QCOMPARE(leitor.ultimaLeitura().modelo, esperadoModelo);
        QCOMPARE(leitor.ultimaLeitura().numeroDeSerie, esperadaSerie);
        QCOMPARE(leitor.ultimaLeitura().linha, linha);
        QCOMPARE(falhas.count(), 0);
    }

    // 7 data bits with parity read as 8: the message names them; set right, read.
    void parityNamedInTheMessage_data()
    {
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<QString>("paridade");
        QTest::addColumn<QString>("palavra");
        QTest::newRow("sbi even") << "SBI" << "par" << "par";
        QTest::newRow("a&d odd") << "AND" << "impar" << "ímpar";
    }
    void parityNamedInTheMessage()
    {
        QFETCH(QString, protocolo);
        QFETCH(QString, paridade);
        QFETCH(QString, palavra);
        QVERIFY(balanca->inicia({QStringLiteral("--protocolo"), protocolo, QStringLiteral("--paridade"), paridade}));
        LeitorBalanca leitor(configuracao(protocolo, 2000));
        Resposta r;
        QVERIFY(le(leitor, &r));
        QVERIFY(!r.lida);
        QCOMPARE(r.mensagem, QStringLiteral("Resposta da balança ilegível: ela parece enviar 7 bits de dados com "
                                            "paridade %1. Configure os bits de dados e a paridade iguais aos da balança.")
                                 .arg(palavra));
        QCOMPARE(leitor.ultimaFalha(), FalhaBalanca::BitsOuParidade);
        ConfiguracaoBalanca c = configuracao(protocolo);
        c.bitsDeDados = 7;
        c.paridade = paridade == QLatin1String("par") ? ParidadeBalanca::Par : ParidadeBalanca::Impar;
        leitor.setConfiguracao(c);
        QVERIFY(le(leitor, &r));
        QVERIFY2(r.lida, qPrintable(r.mensagem));
        QCOMPARE(r.peso, 374.6);
    }

    // Continuous output: one unreadable line does not end the reading.
    void continuousGoesOnAfterAnUnreadableLine()
    {
        QVERIFY(balanca->inicia(opcoes("--protocolo CONTINUO --mudo")));
        LeitorBalanca leitor(configuracao(QStringLiteral("CONTINUO")));
        QSignalSpy pesos(&leitor, &LeitorBalanca::pesoLido);
        QSignalSpy falhas(&leitor, &LeitorBalanca::falha);
        leitor.ler();
        QTRY_VERIFY(leitor.aberta());
        QTest::qWait(100);
        balanca->comanda(QStringLiteral("envia \\x01\\x7f#%&*?\\xfe lixo\\r\\n"));
        QVERIFY(balanca->espera(QStringLiteral("enviado")));
        QTest::qWait(100);
        QVERIFY(leitor.lendo());
        balanca->comanda(QStringLiteral("envia S S     0.3746 g\\r\\n"));
        QTRY_COMPARE(pesos.count(), 1);
        QCOMPARE(pesos.first().first().toDouble(), 374.6);
        QCOMPARE(falhas.count(), 0);
    }

    // Zero and tare go to the balance in its protocol's words.
    void zeroAndTare_data()
    {
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<QString>("zero");
        QTest::addColumn<QString>("tara");
        QTest::newRow("mt-sics") << "MT-SICS" << "recebido: Z" << "recebido: T";
        QTest::newRow("sbi") << "SBI" << "recebido: \\x1BV" << "recebido: \\x1BT";
        QTest::newRow("a&d") << "AND" << "recebido: Z" << "recebido: T";
    }
    void zeroAndTare()
    {
        QFETCH(QString, protocolo);
        QFETCH(QString, zero);
        QFETCH(QString, tara);
        QVERIFY(balanca->inicia({QStringLiteral("--protocolo"), protocolo}));
        LeitorBalanca leitor(configuracao(protocolo));
        QSignalSpy falhas(&leitor, &LeitorBalanca::falha);
        QString m;
        QVERIFY2(leitor.zera(&m), qPrintable(m));
        QVERIFY(balanca->espera(zero));
        QVERIFY2(leitor.tara(&m), qPrintable(m));
        QVERIFY(balanca->espera(tara));
        QCOMPARE(falhas.count(), 0);
        // Continuous mode has no commands.
        leitor.setConfiguracao(configuracao(QStringLiteral("CONTINUO")));
        QVERIFY(!leitor.zera(&m));
        QCOMPARE(m, QStringLiteral("O protocolo CONTINUO não tem esse comando."));
    }
};

QTEST_GUILESS_MAIN(TstLeitor)
#include "tst_leitor.moc"
