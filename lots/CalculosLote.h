#pragma once
// The lot register's own arithmetic and statement texts, free of windows and
// database: the supplier key the grid looks up, supplier codes that name the same supplier,
// and the statements that check, store and change a lot.

#include "core/Capsulas.h"

#include <QList>
#include <QString>

#include <optional>

// A typed supplier code as a whole number written with at least four digits
// (12 gives "0012"); nullopt when it is no whole number.
std::optional<QString> CodigoComQuatroDigitos(const QString &codigo);

// Whether two supplier codes of lots name the same supplier: equal as whole
// numbers when both are (12 and 0012), otherwise equal as text.
bool MesmoFornecedor(const QString &a, const QString &b);

// A number as the statements write it: a point before the decimals, no
// grouping, the digits of the value as typed (up to 15 significant).
QString NumeroNoComando(double valor);
// The average as the statements write it: two decimals, rounded, with a point.
QString MediaNoComando(double media);

// The duplicate check: lots of this supplier code and lot.
QString ConsultaLoteRegistrado(const QString &codigo, const QString &lote);
// The capsule lots the stock holds for a supplier's trade name, by expiry and lot.
QString ConsultaLotesDoFornecedor(const QString &nomeFantasia);
// A new lot with its twenty weights and their average.
QString ComandoIncluiLote(const QString &codigo, const QString &lote, const QString &tamanho,
                          const QList<double> &pesos);
// The lot known by codigoAnterior, loteAnterior and tamanhoAnterior changed to
// the code, lot and weights given; its capsule size stays.
QString ComandoAlteraLote(const QString &codigo, const QString &lote, const QList<double> &pesos,
                          const QString &codigoAnterior, const QString &loteAnterior,
                          const QString &tamanhoAnterior);
// The one lot of this supplier code, lot and capsule size deleted.
QString ComandoExcluiLote(const QString &codigo, const QString &lote, const QString &tamanho);
