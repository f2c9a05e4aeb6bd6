#include "analysis/Manipuladores.h"

#include "analysis/Calculos.h"
#include "core/Capsulas.h"
#include "data/dataset/ClientDataSet.h"

#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

constexpr int kLembrados = 20;
const QString kChave = QStringLiteral("Manipuladores/nomes");

QString arquivo()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/pesomed/Manipuladores.ini");
}

} // namespace

QStringList ManipuladoresUsados()
{
    return QSettings(arquivo(), QSettings::IniFormat).value(kChave).toStringList();
}

void LembraManipulador(const QString &nome)
{
    const QString n = nome.trimmed();
    if (n.isEmpty())
        return;
    QStringList nomes = ManipuladoresUsados();
    nomes.removeAll(n);
    nomes.prepend(n);
    while (nomes.size() > kLembrados)
        nomes.removeLast();
    QSettings(arquivo(), QSettings::IniFormat).setValue(kChave, nomes);
}

int CapsulasDaFormula(const ClientDataSet &componentes)
{
    if (!componentes.Active())
        return 0;
    const int unid = componentes.FieldIndex(QStringLiteral("UNID"));
    const int qde = componentes.FieldIndex(QStringLiteral("QDE"));
    const int componente = componentes.FieldIndex(QStringLiteral("COMPONENTE"));
    if (unid < 0 || qde < 0 || componente < 0)
        return 0;
    qint64 quantidade = 0;
    for (int r = 0; r < componentes.RecordCount(); ++r)
        if (componentes.rowValue(r, unid).toString().toUpper() == QLatin1String("UN") &&
            DescreveCapsula(componentes.rowValue(r, componente).toString()))
            quantidade = ArredondaPar(componentes.rowValue(r, qde).toDouble());
    return int(std::clamp<qint64>(quantidade, 0, 1000000));
}
