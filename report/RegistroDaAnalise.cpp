#include "report/RegistroDaAnalise.h"

#include "data/dataset/ClientDataSet.h"
#include "data/udm.h"

#include <QLocale>

#include <limits>

const QString kHistoricoDesativado = QStringLiteral("Histórico desativado neste banco de dados");

namespace {

const QString kPeso = QStringLiteral("PESO");

QString quando(const QDateTime &t)
{
    return QStringLiteral("em %1 às %2")
        .arg(QLocale().toString(t.date(), QStringLiteral("dd/MM/yyyy")),
             QLocale().toString(t.time(), QStringLiteral("HH:mm")));
}

// The write of the result record that was the analysis: marked so by the
// program, or else the newest that changed the figures an analysis writes.
const Historico::Entrada *analise(const QList<Historico::Entrada> &historia)
{
    for (const Historico::Entrada &e : historia)
        if (e.tabela == QLatin1String("RPESOMED") && e.acao == QLatin1String("ANALISE"))
            return &e;
    for (const Historico::Entrada &e : historia)
        if (e.tabela == QLatin1String("RPESOMED") &&
            (e.acao == QLatin1String("ALTERACAO") || e.acao == QLatin1String("INCLUSAO")) &&
            (e.campo(QStringLiteral("PESOMEDIO")) || e.campo(QStringLiteral("RESULTADO"))))
            return &e;
    return nullptr;
}

QString capsulas(const QList<int> &lista)
{
    QStringList t;
    for (int c : lista)
        t << QString::number(c);
    return (lista.size() == 1 ? QStringLiteral("cápsula ") : QStringLiteral("cápsulas ")) +
           t.join(QStringLiteral(", "));
}

} // namespace

QString avisoDeAmostra(int analisadas, int capsulasDaFormula)
{
    const int pedidas = capsulasDaFormula > 0 && capsulasDaFormula < 10 ? capsulasDaFormula : 10;
    if (analisadas >= pedidas)
        return {};
    const QString amostra = analisadas == 1 ? QStringLiteral("Amostra de 1 cápsula")
                                            : QStringLiteral("Amostra de %1 cápsulas").arg(analisadas);
    if (pedidas < 10)
        return amostra + QStringLiteral("; o método pede todas as %1").arg(pedidas);
    return amostra + QStringLiteral("; o método pede 10");
}

QStringList RegistroDaAnalise::linhas() const
{
    QStringList l;
    if (historico == Estado::Desativado) {
        l << kHistoricoDesativado;
    } else if (historico == Estado::Ativo) {
        const QString quem = manipulador.trimmed().isEmpty() ? QStringLiteral("—") : manipulador.trimmed();
        if (analisadaEm.isValid())
            l << QStringLiteral("Analisado %1 por %2").arg(quando(analisadaEm), quem);
        else
            l << QStringLiteral("Analisado por %1").arg(quem);
        l << origens;
    }
    if (!amostra.isEmpty())
        l << amostra;
    return l;
}

QString RegistroDaAnalise::linha(const CorrecaoDePeso &c)
{
    return QStringLiteral("Cápsula %1: %2 → %3 %4 por %5")
        .arg(c.capsula)
        .arg(c.antes, c.depois, quando(c.quando), c.quem.isEmpty() ? QStringLiteral("—") : c.quem);
}

RegistroDaAnalise registroDaAnalise(const QList<Historico::Entrada> &historia, const QList<int> &capsulasDoRelatorio,
                                    const QString &manipuladorDoResultado)
{
    RegistroDaAnalise r;
    r.historico = RegistroDaAnalise::Estado::Ativo;
    const Historico::Entrada *a = analise(historia);
    const qint64 limite = a ? a->id : std::numeric_limits<qint64>::max();
    if (a) {
        r.analisadaEm = a->quando;
        r.manipulador = a->manipulador;
    }
    if (r.manipulador.trimmed().isEmpty())
        r.manipulador = manipuladorDoResultado;
    if (r.manipulador.trimmed().isEmpty() && a)
        r.manipulador = a->quem();

    // The source of each capsule's weight: its last write of the weight
    // before the analysis. A write that names no source was typed: only the
    // balance reading marks its writes.
    QList<QString> fontes;
    QList<QList<int>> porFonte;
    for (int capsula : capsulasDoRelatorio) {
        QString fonte = QStringLiteral("Pesos digitados");
        for (const Historico::Entrada &e : historia) {
            if (e.id >= limite || e.tabela != QLatin1String("PESOMED") || e.numcap != capsula)
                continue;
            if (e.acao != QLatin1String("INCLUSAO") && !(e.acao == QLatin1String("ALTERACAO") && e.campo(kPeso)))
                continue;
            if (e.origem == QLatin1String("BALANCA"))
                fonte = QStringLiteral("Pesos lidos da balança %1, nº de série %2")
                            .arg(e.balanca.isEmpty() ? QStringLiteral("—") : e.balanca,
                                 e.numeroSerie.isEmpty() ? QStringLiteral("—") : e.numeroSerie);
            break;
        }
        const int i = int(fontes.indexOf(fonte));
        if (i < 0) {
            fontes << fonte;
            porFonte << QList<int>{capsula};
        } else {
            porFonte[i] << capsula;
        }
    }
    if (fontes.size() == 1)
        r.origens = fontes;
    else
        for (int i = 0; i < fontes.size(); ++i)
            r.origens << fontes[i] + QStringLiteral(": ") + capsulas(porFonte[i]);

    // Weights changed before the analysis, oldest first.
    for (auto it = historia.crbegin(); it != historia.crend(); ++it) {
        const Historico::Entrada &e = *it;
        if (e.id >= limite || e.tabela != QLatin1String("PESOMED") || e.acao != QLatin1String("ALTERACAO"))
            continue;
        const Historico::Campo *peso = e.campo(kPeso);
        if (!peso || peso->antes.isNull())
            continue;
        r.correcoes << CorrecaoDePeso{e.numcap, Historico::valorLegivel(peso->antes),
                                      Historico::valorLegivel(peso->depois), e.quando, e.quem()};
    }
    return r;
}

RegistroDaAnalise LeRegistroDaAnalise(TDM &dm, const ClientDataSet &linhas, int capsulasDaFormula)
{
    RegistroDaAnalise r;
    if (!linhas.Active() || linhas.IsEmpty())
        return r;
    const auto valor = [&](int linha, const QString &campo) {
        const int i = linhas.FieldIndex(campo);
        return i < 0 ? QVariant() : linhas.rowValue(linha, i);
    };
    if (dm.TemHistorico()) {
        QList<int> capsulas;
        for (int l = 0; l < linhas.RecordCount(); ++l)
            capsulas << valor(l, QStringLiteral("NUMCAP")).toInt();
        const QString chave = Historico::chaveDaFormula(valor(0, QStringLiteral("ESTACAO")).toString(),
                                                        valor(0, QStringLiteral("NPEDIDO")).toLongLong(),
                                                        valor(0, QStringLiteral("NFORMULA")).toLongLong());
        // A history of the first version (installed before its reader) is
        // not read: the report is printed without its record.
        try {
            r = registroDaAnalise(Historico::le(dm.sqlcon1, chave), capsulas,
                                  valor(0, QStringLiteral("MANIPULADOR")).toString());
        } catch (const std::exception &) {
            r = {};
        }
    } else {
        r.historico = RegistroDaAnalise::Estado::Desativado;
    }
    r.amostra = avisoDeAmostra(valor(0, QStringLiteral("QDECAPS")).toInt(), capsulasDaFormula);
    return r;
}
