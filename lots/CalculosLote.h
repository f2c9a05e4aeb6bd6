#pragma once
// The lot register's own arithmetic and statement texts, free of windows and
// database: the capsule size the grid reads from a stock description, the
// supplier key the grid looks up, and the statements that check for a lot and
// list a supplier's stock lots.

#include <QList>
#include <QString>

#include <optional>

// The capsule size in a stock description ("Capsula 00 Azul"): characters 9
// and 10, or 9 alone when 10 is a blank; empty when that is no whole number.
QString TamanhoNaDescricao(const QString &descricao);

// A typed supplier code as a whole number written with at least four digits
// (12 gives "0012"); nullopt when it is no whole number.
std::optional<QString> CodigoComQuatroDigitos(const QString &codigo);

// The duplicate check: lots of this supplier code and lot.
QString ConsultaLoteRegistrado(const QString &codigo, const QString &lote);
// The capsule lots the stock holds for a supplier's trade name, by expiry and lot.
QString ConsultaLotesDoFornecedor(const QString &nomeFantasia);
