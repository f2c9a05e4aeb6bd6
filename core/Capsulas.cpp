#include "core/Capsulas.h"

#include "core/SqlText.h"

const QString kPrefixoCapsulasDoEstoque = QStringLiteral("Capsula");
const QString kPrefixoDescricaoDoLote = QStringLiteral("Cap");

bool DescreveCapsula(const QString &descricao)
{
    return descricao.left(3).toUpper() == QLatin1String("CAP");
}

QString FiltroDescricaoCapsula(const QString &prefixo)
{
    return QStringLiteral(" and DESCRICAO like '") + prefixo + QStringLiteral("%'");
}

QString TamanhoCapsula(const QString &descricao)
{
    QString digitos;
    for (QChar c : descricao)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digitos.append(c);
    return digitos.size() > 2 ? QString() : digitos;
}

QString TamanhoCapsulaNoEstoque(const QString &descricao)
{
    const QString tamanho = descricao.mid(9, 1) == QLatin1String(" ") ? descricao.mid(8, 1) : descricao.mid(8, 2);
    return isWholeNumber(tamanho) ? tamanho : QString();
}
