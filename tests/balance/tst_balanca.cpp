// The balance layer without a balance: every protocol's lines to weight, unit
// or fault; the line gatherer's bound; the settings file.

#include "balance/ConfiguracaoBalanca.h"
#include "balance/ProtocolosBalanca.h"
#include "config/uConfiguracao.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Tipo = LeituraBalanca::Tipo;
using F = FalhaBalanca;

const QString kPadrao = QStringLiteral(R"(^(?<instavel>\?)?\s*(?<peso>[-+]?[\d.]+)\s*(?<unidade>\w*)$)");

} // namespace

Q_DECLARE_METATYPE(Tipo)
Q_DECLARE_METATYPE(FalhaBalanca)
Q_DECLARE_METATYPE(ParidadeBalanca)
Q_DECLARE_METATYPE(FluxoBalanca)

class TstBalanca : public QObject {
    Q_OBJECT
private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<QString>("padrao");
        QTest::addColumn<QByteArray>("linha");
        QTest::addColumn<QString>("unidade");
        QTest::addColumn<Tipo>("tipo");
        QTest::addColumn<double>("peso");
        QTest::addColumn<FalhaBalanca>("falha");
        QTest::addColumn<QString>("detalhe");

        const QString mt = QStringLiteral("MT-SICS"), sbi = QStringLiteral("SBI"), ad = QStringLiteral("AND"),
                      co = QStringLiteral("CONTINUO");
        const QString MG = QStringLiteral("MG"), G = QStringLiteral("G");
        auto peso = [](const char *nome, const QString &p, const QByteArray &l, const QString &u, double v,
                       const QString &padrao = QString()) {
            QTest::newRow(nome) << p << padrao << l << u << Tipo::Estavel << v << F::Nenhuma << QString();
        };
        auto outro = [](const char *nome, const QString &p, const QByteArray &l, Tipo t,
                        const QString &padrao = QString()) {
            QTest::newRow(nome) << p << padrao << l << QStringLiteral("MG") << t << 0.0 << F::Nenhuma << QString();
        };
        auto falha = [](const char *nome, const QString &p, const QByteArray &l, F f, const QString &detalhe,
                        const QString &padrao = QString()) {
            QTest::newRow(nome) << p << padrao << l << QStringLiteral("MG") << Tipo::Falha << 0.0 << f << detalhe;
        };

        // MT-SICS
        peso("mt g to mg", mt, "S S     0.3746 g", MG, 374.6);
        peso("mt g kept in g", mt, "S S     0.3746 g", G, 0.3746);
        peso("mt mg kept in mg", mt, "S S      374.6 mg", MG, 374.6);
        peso("mt mg to g", mt, "S S      374.6 mg", G, 0.3746);
        peso("mt four decimals of mg", mt, "S S   123.4567 g", MG, 123456.7);
        peso("mt whole grams", mt, "S S         12 g", MG, 12000);
        peso("mt zero", mt, "S S     0.0000 g", MG, 0);
        peso("mt trailing blanks", mt, "S S     0.3746 g  ", MG, 374.6);
        peso("mt empty unit name means milligrams", mt, "S S     0.3746 g", QString(), 374.6);
        outro("mt dynamic", mt, "S D     0.3741 g", Tipo::Instavel);
        outro("mt busy", mt, "S I", Tipo::Instavel);
        outro("mt reply to another command", mt, "I4 A \"B123456789\"", Tipo::Ignorada);
        falha("mt overload", mt, "S +", F::Sobrecarga, QString());
        falha("mt underload", mt, "S -", F::Subcarga, QString());
        falha("mt ES", mt, "ES", F::ErroDaBalanca, QStringLiteral("ES, comando não reconhecido"));
        falha("mt ET", mt, "ET", F::ErroDaBalanca, QStringLiteral("ET, erro de transmissão"));
        falha("mt EL", mt, "EL", F::ErroDaBalanca, QStringLiteral("EL, comando não executado"));
        falha("mt kilograms", mt, "S S     0.0004 kg", F::UnidadeRecusada, QStringLiteral("kg"));
        falha("mt carats", mt, "S S     1.8730 ct", F::UnidadeRecusada, QStringLiteral("ct"));
        falha("mt negative", mt, "S S    -0.0012 g", F::PesoNegativo, QStringLiteral("-0.0012 g"));
        falha("mt letter in the weight", mt, "S S     0.37x6 g", F::LinhaIlegivel, QStringLiteral("S S     0.37x6 g"));
        falha("mt no unit", mt, "S S     0.3746", F::LinhaIlegivel, QStringLiteral("S S     0.3746"));
        falha("mt two decimal points", mt, "S S     0.37.46 g", F::LinhaIlegivel, QStringLiteral("S S     0.37.46 g"));
        falha("mt extra word", mt, "S S     0.3746 g x", F::LinhaIlegivel, QStringLiteral("S S     0.3746 g x"));
        falha("mt control byte", mt, "S S\x01    0.3746 g", F::LinhaIlegivel, QStringLiteral("S S<01>    0.3746 g"));
        falha("mt wrong speed", mt, "\xf8\x80\xfe", F::LinhaIlegivel, QStringLiteral("<F8><80><FE>"));
        falha("mt piece of a line", mt, "46 g", F::LinhaIlegivel, QStringLiteral("46 g"));
        falha("mt overlong", mt, QByteArray(101, 'S'), F::LinhaLonga, QString());

        // SBI: 14 or 20 characters before CR LF
        peso("sbi 16 g to mg", sbi, "+    62.916 g ", MG, 62916);
        peso("sbi 16 g kept in g", sbi, "+    62.916 g ", G, 62.916);
        peso("sbi 16 aligned", sbi, "+   0.3746 g  ", MG, 374.6);
        peso("sbi 16 mg", sbi, "+    374.6 mg ", MG, 374.6);
        peso("sbi 16 mg to g", sbi, "+    374.6 mg ", G, 0.3746);
        peso("sbi blank sign", sbi, "    0.3746 g  ", MG, 374.6);
        peso("sbi non-verified digit in brackets", sbi, "+  0.37[4]6 g ", MG, 374.6);
        peso("sbi 22 net weight", sbi, "N     +   0.3746 g  ", MG, 374.6);
        outro("sbi no unit while unstable", sbi, "+   0.3741    ", Tipo::Instavel);
        outro("sbi blank display", sbi, "              ", Tipo::Instavel);
        outro("sbi 22 status not ready", sbi, "Stat          A B   ", Tipo::Instavel);
        falha("sbi overload", sbi, "      H       ", F::Sobrecarga, QString());
        falha("sbi underload", sbi, "      L       ", F::Subcarga, QString());
        falha("sbi error", sbi, "   Err 54     ", F::ErroDaBalanca, QStringLiteral("Err 54"));
        falha("sbi 22 overload", sbi, "Stat        H       ", F::Sobrecarga, QString());
        falha("sbi 22 error", sbi, "Stat     Err 54     ", F::ErroDaBalanca, QStringLiteral("Err 54"));
        falha("sbi pieces", sbi, "+   0.3746 pcs", F::UnidadeRecusada, QStringLiteral("pcs"));
        falha("sbi negative", sbi, "-   0.0012 g  ", F::PesoNegativo, QStringLiteral("-0.0012 g"));
        falha("sbi trailing blanks lost", sbi, "+    62.916 g", F::LinhaIlegivel, QStringLiteral("+    62.916 g"));
        falha("sbi piece of a line", sbi, "  62.916 g", F::LinhaIlegivel, QStringLiteral("  62.916 g"));
        falha("sbi letters in the weight", sbi, "+   0.3O46 g  ", F::LinhaIlegivel, QStringLiteral("+   0.3O46 g  "));

        // A&D
        peso("and g to mg", ad, "ST,+00123.456  g", MG, 123456);
        peso("and g kept in g", ad, "ST,+00123.456  g", G, 123.456);
        peso("and analytical", ad, "ST,+0000.3746  g", MG, 374.6);
        peso("and mg", ad, "ST,+00374.60 mg", MG, 374.6);
        peso("and mg to g", ad, "ST,+00374.60 mg", G, 0.3746);
        peso("and stable with comparison", ad, "ST,OK,+0000.3746  g", MG, 374.6);
        // No A&D manual shows "WT," as a balance's header: WT belongs to the DP format.
        falha("and WT with a comma", ad, "WT,+0000.3746  g", F::LinhaIlegivel, QStringLiteral("WT,+0000.3746  g"));
        peso("and acknowledgement before", ad, "\x06ST,+0000.3746  g", MG, 374.6);
        outro("and unstable", ad, "US,+0000.3741  g", Tipo::Instavel);
        outro("and stability error", ad, "EC,E11", Tipo::Instavel);
        outro("and acknowledgement alone", ad, "\x06", Tipo::Ignorada);
        falha("and overload", ad, "OL,+9999999E+19", F::Sobrecarga, QString());
        falha("and underload", ad, "OL,-9999999E+19", F::Subcarga, QString());
        falha("and undefined command", ad, "EC,E01", F::ErroDaBalanca, QStringLiteral("EC,E01, comando não reconhecido"));
        falha("and not ready", ad, "EC,E02", F::ErroDaBalanca, QStringLiteral("EC,E02, balança não está pronta"));
        falha("and counting", ad, "QT,+00000123 PC", F::UnidadeRecusada, QStringLiteral("PC"));
        falha("and kilograms", ad, "ST,+0000.0004 kg", F::UnidadeRecusada, QStringLiteral("kg"));
        falha("and blank in the weight", ad, "ST,+0000.37 6  g", F::LinhaIlegivel, QStringLiteral("ST,+0000.37 6  g"));
        falha("and unknown header", ad, "XX,+0000.3746  g", F::LinhaIlegivel, QStringLiteral("XX,+0000.3746  g"));
        falha("and no sign", ad, "ST,0000.3746  g", F::LinhaIlegivel, QStringLiteral("ST,0000.3746  g"));

        // Continuous output and the print key
        peso("continuous sbi", co, "+   0.3746 g  ", MG, 374.6);
        peso("continuous mt", co, "S S     0.3746 g", MG, 374.6);
        peso("continuous and", co, "ST,+0000.3746  g", G, 0.3746);
        outro("continuous mt dynamic", co, "S D     0.3741 g", Tipo::Instavel);
        outro("continuous and unstable", co, "US,+0000.3741  g", Tipo::Instavel);
        falha("continuous other make needs the pattern", co, "  0.3746 g", F::LinhaIlegivel, QStringLiteral("  0.3746 g"));
        peso("pattern stable", co, "   0.3746 g", MG, 374.6, kPadrao);
        peso("pattern mg", co, "374.6mg", MG, 374.6, kPadrao);
        outro("pattern unstable", co, "?   0.3741 g", Tipo::Instavel, kPadrao);
        falha("pattern not matched", co, "OVERLOAD", F::LinhaIlegivel, QStringLiteral("OVERLOAD"), kPadrao);
        falha("pattern without unit", co, "   0.3746", F::UnidadeRecusada, QString(), kPadrao);
        falha("pattern pounds", co, "   0.3746 lb", F::UnidadeRecusada, QStringLiteral("lb"), kPadrao);
        falha("pattern overlong", co, QByteArray(101, ' '), F::LinhaLonga, QString(), kPadrao);

        // Lines from the makers' manuals.
        // MT-SICS: AL operating instructions p. 72, "S S 100.00 g".
        peso("manual mt S S 100.00 g", mt, "S S     100.00 g", MG, 100000);
        // MT-SICS micrograms in the factory character set ANSI/Windows (AT
        // operating instructions p. 23): the micro sign is the byte B5.
        peso("manual mt micrograms ANSI", mt, "S S      123.4 \xb5g", MG, 0.1234);
        peso("manual mt micrograms UTF-8", mt, "S S      123.4 \xc2\xb5g", G, 0.0001234);
        peso("manual mt micrograms IBM", mt, "S S      123.4 \xe6g", MG, 0.1234);
        // SBI: Secura/Quintix/Practum user manual p. 87, special outputs.
        falha("manual sbi High", sbi, "      High    ", F::Sobrecarga, QString());
        falha("manual sbi Low", sbi, "      Low     ", F::Subcarga, QString());
        outro("manual sbi final readout --", sbi, "      --      ", Tipo::Instavel);
        outro("manual sbi Cal.Ext.", sbi, "   Cal.Ext.   ", Tipo::Instavel);
        outro("manual sbi Cal.Int.", sbi, "   Cal.Int.   ", Tipo::Instavel);
        // Same manual p. 88: the 22-character form, "Stat" with High/Low.
        falha("manual sbi 22 Stat High", sbi, "Stat      High      ", F::Sobrecarga, QString());
        falha("manual sbi 22 Stat Low", sbi, "Stat      Low       ", F::Subcarga, QString());
        // Same page: "N + 123.56 g" and the bracketed last digit "123.5[6]".
        peso("manual sbi 22 net", sbi, "N     +   123.56 g  ", MG, 123560);
        peso("manual sbi bracketed last digit", sbi, "+   123.5[6]g ", G, 123.56);
        peso("manual sbi 22 blank ID", sbi, "      +   123.56 g  ", MG, 123560);
        // Combics 1 operating instructions p. 98: "G#    +   1255.7 g  " and the
        // other IDs are not the net weight.
        outro("manual sbi 22 gross G#", sbi, "G#    +   1255.7 g  ", Tipo::Ignorada);
        outro("manual sbi 22 tare T", sbi, "T     +     12.5 g  ", Tipo::Ignorada);
        outro("manual sbi 22 tare T2", sbi, "T2    +      2.5 g  ", Tipo::Ignorada);
        outro("manual sbi 22 Diff", sbi, "Diff  +    0.012 g  ", Tipo::Ignorada);
        outro("manual sbi 22 Avg.", sbi, "Avg.  +   12.345 g  ", Tipo::Ignorada);
        // A&D GX-A/GF-A communication manual p. 16: standard format
        // "ST,+00123.45  g" and DP format "WT   +123.45  g".
        peso("manual and standard", ad, "ST,+00123.45  g", MG, 123450);
        peso("manual and DP", ad, "WT   +123.45  g", MG, 123450);
        peso("manual and DP zero without sign", ad, "WT      0.00  g", MG, 0);
        outro("manual and DP unstable", ad, "US   -183.69  g", Tipo::Instavel);
        falha("manual and DP negative", ad, "WT   -183.69  g", F::PesoNegativo, QStringLiteral("-183.69 g"));
        peso("continuous and DP", co, "WT   +123.45  g", MG, 123450);
        falha("and E17", ad, "EC,E17", F::ErroDaBalanca, QStringLiteral("EC,E17, erro da massa interna de calibração"));
        // GC series manual p. 56: E11, the weight unstable.
        outro("manual and E11", ad, "EC,E11", Tipo::Instavel);
        // Ohaus RS232 interface manual p. EN-3: "*****192.21_g", "*******0.01_g_?".
        const QString ohaus = PadroesConhecidos().at(0).padrao;
        peso("manual ohaus stable", co, "     192.21 g", MG, 192210, ohaus);
        outro("manual ohaus unstable", co, "       0.01 g ?", Tipo::Instavel, ohaus);
        outro("manual ohaus format 1 unstable", co, "       12.73 g    ?", Tipo::Instavel, ohaus);
        // Shimadzu AUW instruction manual p. 81: "-  21.6865g" CR, S or U before it.
        const QString shimadzu = PadroesConhecidos().at(1).padrao;
        peso("manual shimadzu stable", co, "S   21.6865g ", MG, 21686.5, shimadzu);
        peso("manual shimadzu without stability", co, "   186.65g ", G, 186.65, shimadzu);
        outro("manual shimadzu unstable", co, "U   21.6865g ", Tipo::Instavel, shimadzu);
        falha("manual shimadzu negative", co, "S-  21.6865g ", F::PesoNegativo, QStringLiteral("-21.6865 g"), shimadzu);
        peso("manual shimadzu verified brackets", co, "S   21.686[5]g ", MG, 21686.5, shimadzu);
        falha("manual shimadzu over", co, "S  oL", F::Sobrecarga, QString(), shimadzu);
        falha("manual shimadzu under", co, "U- oL", F::Subcarga, QString(), shimadzu);
        // Radwag WTB user manual p. 61: "      1832.0 g  ", "? -    2.237 lb ", "^".
        const QString radwag = PadroesConhecidos().at(2).padrao;
        peso("manual radwag print key", co, "      1832.0 g  ", G, 1832, radwag);
        peso("manual radwag continuous", co, "SI        1832.0 g  ", G, 1832, radwag);
        outro("manual radwag unstable", co, "SI ? -    0.237 g  ", Tipo::Instavel, radwag);
        falha("manual radwag pounds", co, "? -    2.237 lb ", F::LinhaIlegivel, QStringLiteral("? -    2.237 lb "), QString());
        falha("manual radwag over", co, "^", F::Sobrecarga, QString(), radwag);
        falha("manual radwag under", co, "v", F::Subcarga, QString(), radwag);
    }
    void lines()
    {
        QFETCH(QString, protocolo);
        QFETCH(QString, padrao);
        QFETCH(QByteArray, linha);
        QFETCH(QString, unidade);
        QFETCH(Tipo, tipo);
        QFETCH(double, peso);
        QFETCH(FalhaBalanca, falha);
        QFETCH(QString, detalhe);
        ProtocoloBalanca p;
        QVERIFY(ProtocoloDoNome(protocolo, &p));
        const LeituraBalanca r = InterpretaLinha(p, linha, unidade, QRegularExpression(padrao));
        QCOMPARE(r.tipo, tipo);
        QCOMPARE(r.falha, falha);
        QCOMPARE(r.detalhe, detalhe);
        // Exactly the number the same digits typed give, not merely close to it.
        if (tipo == Tipo::Estavel)
            QVERIFY2(r.peso == peso, qPrintable(QString::number(r.peso, 'g', 17)));
    }

    void gatherer_data()
    {
        QTest::addColumn<QList<QByteArray>>("pedacos");
        QTest::addColumn<QStringList>("eventos");
        const QString longa = QStringLiteral("<longa>");
        QTest::newRow("CR LF") << QList<QByteArray>{"S S 1 g\r\nS I\r\n"} << QStringList{"S S 1 g", "S I"};
        QTest::newRow("LF alone, CR alone") << QList<QByteArray>{"a\nb\rc\r\n"} << QStringList{"a", "b", "c"};
        QTest::newRow("split across reads") << QList<QByteArray>{"S S  ", "   0.37", "46 g\r", "\n"}
                                            << QStringList{"S S     0.3746 g"};
        QTest::newRow("blank lines skipped") << QList<QByteArray>{"\r\n\r\n\nx\r\n"} << QStringList{"x"};
        QTest::newRow("100 bytes taken") << QList<QByteArray>{QByteArray(100, 'a') + "\r\n"}
                                         << QStringList{QString(100, u'a')};
        QTest::newRow("101 bytes refused, next line taken")
            << QList<QByteArray>{QByteArray(101, 'a') + "\r\nS I\r\n"} << QStringList{longa, "S I"};
        QTest::newRow("10 000 bytes in pieces: one refusal")
            << QList<QByteArray>(1000, QByteArray(10, '9')) + QList<QByteArray>{"\r\nS I\r\n"}
            << QStringList{longa, "S I"};
    }
    void gatherer()
    {
        QFETCH(QList<QByteArray>, pedacos);
        QFETCH(QStringList, eventos);
        AcumuladorLinhas a;
        QStringList vistos;
        for (const QByteArray &p : pedacos) {
            for (const auto &e : a.acrescenta(p))
                vistos << (e.tipo == AcumuladorLinhas::Evento::Tipo::Longa ? QStringLiteral("<longa>")
                                                                           : QString::fromLatin1(e.linha));
            // Never more than one line's worth held, whatever comes.
            QVERIFY(a.pendente().size() <= kLinhaMaximaBalanca);
        }
        QCOMPARE(vistos, eventos);
    }

    void settingsFile_data()
    {
        QTest::addColumn<QByteArray>("arquivo");
        QTest::addColumn<bool>("configurada");
        QTest::addColumn<QString>("protocolo");
        QTest::addColumn<int>("velocidade");
        QTest::addColumn<bool>("teclaImprimir");
        QTest::addColumn<QStringList>("erros");

        QTest::newRow("no file: no balance") << QByteArray() << false << "MT-SICS" << 9600 << true << QStringList();
        QTest::newRow("empty port: no balance")
            << QByteArray("[Balanca]\nPorta=\nProtocolo=SBI\n") << false << "SBI" << 9600 << true << QStringList();
        QTest::newRow("blank port: no balance")
            << QByteArray("[Balanca]\nPorta=   \n") << false << "MT-SICS" << 9600 << true << QStringList();
        QTest::newRow("other groups only") << QByteArray("[Outro]\nPorta=COM3\n") << false << "MT-SICS" << 9600
                                           << true << QStringList();
        QTest::newRow("every value")
            << QByteArray("[Balanca]\nPorta=/dev/ttyUSB0\nProtocolo=AND\nVelocidade=2400\nBitsDeDados=7\n"
                          "Paridade=Impar\nBitsDeParada=2\nControleDeFluxo=Software\nEsperaMs=8000\n"
                          "TeclaImprimir=false\n")
            << true << "AND" << 2400 << false << QStringList();
        QTest::newRow("words in any case, with accents")
            << QByteArray("[Balanca]\nPorta=COM3\nProtocolo=mt-sics\nParidade=\xc3\x8dmpar\nBitsDeParada=1,5\n"
                          "ControleDeFluxo=hardware\n")
            << true << "MT-SICS" << 9600 << true << QStringList();
        QTest::newRow("continuous: print key off unless asked")
            << QByteArray("[Balanca]\nPorta=COM3\nProtocolo=CONTINUO\n") << true << "CONTINUO" << 9600 << false
            << QStringList();
        QTest::newRow("continuous with print key")
            << QByteArray("[Balanca]\nPorta=COM3\nProtocolo=CONTINUO\nTeclaImprimir=sim\n") << true << "CONTINUO"
            << 9600 << true << QStringList();
        QTest::newRow("values that cannot be used")
            << QByteArray("[Balanca]\nPorta=COM3\nProtocolo=XYZ\nVelocidade=rapida\nBitsDeDados=9\n"
                          "Paridade=Talvez\nEsperaMs=10\nPadrao=(\n")
            << true << "MT-SICS" << 9600 << true
            << QStringList{"Protocolo \"XYZ\" (use MT-SICS, SBI, AND ou CONTINUO)", "Velocidade \"rapida\"",
                           "Paridade \"Talvez\" (use Nenhuma, Par, Impar, Marca ou Espaco; N, E, O, M ou S)",
                           "BitsDeDados \"9\"", "EsperaMs \"10\"", "Padrao \"(\""};
        QTest::newRow("flow control not taken")
            << QByteArray("[Balanca]\nPorta=COM3\nControleDeFluxo=DTR\nTeclaImprimir=talvez\n") << true << "MT-SICS"
            << 9600 << true
            << QStringList{"ControleDeFluxo \"DTR\" (use Nenhum, Hardware (RTS-CTS) ou Software (XON-XOFF))",
                           "TeclaImprimir \"talvez\" (use sim ou não)"};
        QTest::newRow("pattern without the weight group")
            << QByteArray("[Balanca]\nPorta=COM3\nProtocolo=CONTINUO\nPadrao=^(\\\\d+) g$\n") << true << "CONTINUO"
            << 9600 << false << QStringList{"Padrao \"^(\\d+) g$\""};
    }
    void settingsFile()
    {
        QFETCH(QByteArray, arquivo);
        QFETCH(bool, configurada);
        QFETCH(QString, protocolo);
        QFETCH(int, velocidade);
        QFETCH(bool, teclaImprimir);
        QFETCH(QStringList, erros);
        QTemporaryDir pasta;
        const QString caminho = pasta.filePath(QStringLiteral("PesoMed.ini"));
        if (!arquivo.isNull()) {
            QFile f(caminho);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(arquivo);
        }
        const ConfiguracaoBalanca c = LeConfiguracaoBalanca(caminho);
        QCOMPARE(c.configurada(), configurada);
        QCOMPARE(NomeProtocolo(c.protocolo), protocolo);
        QCOMPARE(c.velocidade, velocidade);
        QCOMPARE(c.teclaImprimir, teclaImprimir);
        QCOMPARE(c.erros, erros);
        // Reading never creates the file.
        QCOMPARE(QFile::exists(caminho), !arquivo.isNull());
    }

    // The usual notations of parity and flow control, as other programs write them.
    void settingsNotations_data()
    {
        QTest::addColumn<QString>("paridade");
        QTest::addColumn<QString>("fluxo");
        QTest::addColumn<ParidadeBalanca>("p");
        QTest::addColumn<FluxoBalanca>("f");
        using P = ParidadeBalanca;
        using Fl = FluxoBalanca;
        QTest::newRow("N, None") << "N" << "None" << P::Nenhuma << Fl::Nenhum;
        QTest::newRow("E, RTS-CTS") << "E" << "RTS-CTS" << P::Par << Fl::Hardware;
        QTest::newRow("O, XON-XOFF") << "O" << "XON-XOFF" << P::Impar << Fl::Software;
        QTest::newRow("M, Hardware") << "m" << "hardware" << P::Marca << Fl::Hardware;
        QTest::newRow("S, Software") << "S" << "Software" << P::Espaco << Fl::Software;
        QTest::newRow("Even, RTS/CTS") << "Even" << "RTS/CTS" << P::Par << Fl::Hardware;
        QTest::newRow("Odd, XON/XOFF") << "odd" << "xon/xoff" << P::Impar << Fl::Software;
        QTest::newRow("None, Nenhum") << "None" << "Nenhum" << P::Nenhuma << Fl::Nenhum;
        QTest::newRow("Nenhuma, Par") << "Nenhuma" << "Nenhum" << P::Nenhuma << Fl::Nenhum;
        QTest::newRow("Par") << "Par" << "Nenhum" << P::Par << Fl::Nenhum;
        QTest::newRow("Ímpar") << "\u00cdmpar" << "Nenhum" << P::Impar << Fl::Nenhum;
        QTest::newRow("Mark, Space") << "Mark" << "Nenhum" << P::Marca << Fl::Nenhum;
        QTest::newRow("Espaço") << "Espa\u00e7o" << "Nenhum" << P::Espaco << Fl::Nenhum;
    }
    void settingsNotations()
    {
        QFETCH(QString, paridade);
        QFETCH(QString, fluxo);
        QFETCH(ParidadeBalanca, p);
        QFETCH(FluxoBalanca, f);
        QTemporaryDir pasta;
        const QString caminho = pasta.filePath(QStringLiteral("PesoMed.ini"));
        QFile arquivo(caminho);
        QVERIFY(arquivo.open(QIODevice::WriteOnly));
        arquivo.write(QStringLiteral("[Balanca]\nPorta=COM3\nParidade=%1\nControleDeFluxo=%2\n").arg(paridade, fluxo).toUtf8());
        arquivo.close();
        const ConfiguracaoBalanca c = LeConfiguracaoBalanca(caminho);
        QVERIFY2(c.erros.isEmpty(), qPrintable(c.erros.join(u'|')));
        QCOMPARE(c.paridade, p);
        QCOMPARE(c.controleDeFluxo, f);
    }

    // On Linux the port list offers the name under /dev/serial/by-id that
    // leads to the device, which survives unplugging; the device itself without one.
    void stablePortNames()
    {
#ifdef Q_OS_WIN
        // Windows names its ports COM1, COM2…; there are no device links to follow.
        QCOMPARE(DispositivoDaPorta(QStringLiteral("COM3")), QStringLiteral("COM3"));
        QSKIP("device links are a Linux matter");
#endif
        QTemporaryDir pasta;
        const QString dispositivo = pasta.filePath(QStringLiteral("ttyUSB0"));
        QFile(dispositivo).open(QIODevice::WriteOnly);
        const QString porId = pasta.filePath(QStringLiteral("by-id"));
        QVERIFY(QDir().mkpath(porId));
        const QString link = porId + QStringLiteral("/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
        QVERIFY(QFile::link(dispositivo, link));
#ifdef Q_OS_LINUX
        QCOMPARE(NomeEstavelDaPorta(dispositivo, porId), link);
#endif
        QCOMPARE(DispositivoDaPorta(link), QFileInfo(dispositivo).canonicalFilePath());
        const QString outro = pasta.filePath(QStringLiteral("ttyACM0"));
        QFile(outro).open(QIODevice::WriteOnly);
        QCOMPARE(NomeEstavelDaPorta(outro, porId), outro);
        QCOMPARE(DispositivoDaPorta(outro), outro);
    }

    void settingsWrittenAndReadBack()
    {
        QTemporaryDir pasta;
        const QString caminho = pasta.filePath(QStringLiteral("PesoMed.ini"));
        {
            QFile f(caminho);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Outro]\nChave=valor\n");
        }
        ConfiguracaoBalanca c;
        c.porta = QStringLiteral("/dev/ttyUSB0");
        c.protocolo = ProtocoloBalanca::Continuo;
        c.velocidade = 19200;
        c.bitsDeDados = 7;
        c.paridade = ParidadeBalanca::Espaco;
        c.bitsDeParada = ParadaBalanca::UmEMeio;
        c.controleDeFluxo = FluxoBalanca::Hardware;
        c.esperaMs = 12000;
        c.teclaImprimir = true;
        c.padrao = kPadrao;
        QString erro;
        QVERIFY(GravaConfiguracaoBalanca(c, caminho, &erro));
        QCOMPARE(LeConfiguracaoBalanca(caminho), c);
        QCOMPARE(QSettings(caminho, QSettings::IniFormat).value(QStringLiteral("Outro/Chave")).toString(),
                 QStringLiteral("valor"));
        QSettings ini(caminho, QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Balanca/Protocolo")).toString(), QStringLiteral("CONTINUO"));
        QCOMPARE(ini.value(QStringLiteral("Balanca/Paridade")).toString(), QStringLiteral("Espaco"));
        QCOMPARE(ini.value(QStringLiteral("Balanca/BitsDeParada")).toString(), QStringLiteral("1.5"));
    }

    void settingsThatCannotBeWritten()
    {
        QTemporaryDir pasta;
        // A folder in the way of the file.
        QVERIFY(QDir(pasta.path()).mkpath(QStringLiteral("PesoMed.ini")));
        QString erro;
        QVERIFY(!GravaConfiguracaoBalanca(ConfiguracaoBalanca(), pasta.filePath(QStringLiteral("PesoMed.ini")),
                                          &erro));
        QCOMPARE(erro, QStringLiteral("Não foi possível gravar %1.").arg(pasta.filePath(QStringLiteral("PesoMed.ini"))));
    }

    // Saved where the user can write (the program's folder belongs to the
    // administrator once installed); a file left beside the program is read
    // until the user saves.
    void settingsSavedInTheUsersFolder()
    {
        QTemporaryDir programa, usuario;
        const QByteArray antes = qgetenv("XDG_CONFIG_HOME");
        const auto volta = qScopeGuard([&] {
            qputenv("XDG_CONFIG_HOME", antes);
            CaminhoSistema.clear();
        });
        CaminhoSistema = programa.path() + u'/';
        qputenv("XDG_CONFIG_HOME", usuario.path().toLocal8Bit());
        const QString aoLado = programa.filePath(QStringLiteral("PesoMed.ini"));
        const QString doUsuario = usuario.filePath(QStringLiteral("pesomed/PesoMed.ini"));
#ifdef Q_OS_WIN
        QCOMPARE(ArquivoGravacaoBalanca(), aoLado);
#else
        QCOMPARE(ArquivoGravacaoBalanca(), doUsuario);
#endif
        // Nothing saved yet: the file beside the program.
        QCOMPARE(ArquivoConfiguracaoBalanca(), aoLado);
        {
            QFile f(aoLado);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Balanca]\nPorta=/dev/ttyS0\n");
        }
        QCOMPARE(LeConfiguracaoBalanca().porta, QStringLiteral("/dev/ttyS0"));
        // Saved (the user's folder made on the way): read from there from now on.
        ConfiguracaoBalanca c;
        c.porta = QStringLiteral("/dev/ttyUSB1");
        QString erro;
        QVERIFY2(GravaConfiguracaoBalanca(c, ArquivoGravacaoBalanca(), &erro), qPrintable(erro));
        QCOMPARE(ArquivoConfiguracaoBalanca(), ArquivoGravacaoBalanca());
        QCOMPARE(LeConfiguracaoBalanca().porta, QStringLiteral("/dev/ttyUSB1"));
#ifndef Q_OS_WIN
        QVERIFY(QFile::exists(doUsuario));
        QCOMPARE(LeConfiguracaoBalanca(aoLado).porta, QStringLiteral("/dev/ttyS0"));
#endif
    }
};

QTEST_GUILESS_MAIN(TstBalanca)
#include "tst_balanca.moc"
