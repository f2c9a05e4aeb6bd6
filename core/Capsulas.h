#pragma once
// Capsules as the suite's descriptions name them: which description is a
// capsule's, and the capsule size it holds. Free of windows and database.
//
// One idea, three texts. A description names a capsule when it begins with
// "CAP" in any letter case (DescreveCapsula). The statements keep the filters
// their readers were written with, each a narrower case of that rule:
// - the stock list of a supplier's capsule lots asks for "Capsula..." (the lot
//   grid reads the size at characters 9 and 10 of such a description);
// - the stock description of a stored lot, found by its lot alone, asks for
//   "Cap...";
// - a formula's capsule component is told by its first three letters, upper-cased.

#include <QString>

// Whether a description names a capsule: its first three letters, upper-cased, are "CAP".
bool DescreveCapsula(const QString &descricao);

// How the statements name the stock's capsule descriptions, as "like" prefixes.
extern const QString kPrefixoCapsulasDoEstoque;   // "Capsula"
extern const QString kPrefixoDescricaoDoLote;     // "Cap"
// The condition " and DESCRICAO like '<prefixo>%'" that selects them.
QString FiltroDescricaoCapsula(const QString &prefixo);

// The capsule size of a formula's capsule component or of a lot's stock
// description: its digits, when there are one or two; empty otherwise.
QString TamanhoCapsula(const QString &descricao);

// The capsule size the lot grid reads from a stock description ("Capsula 00
// Azul"): characters 9 and 10, or 9 alone when 10 is a blank; empty when that
// is no whole number.
QString TamanhoCapsulaNoEstoque(const QString &descricao);
