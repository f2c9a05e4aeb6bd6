// Whether a stored analysis still stands for the stored weighings: the same
// count, the same total and each capsule's variation from the stored mean.

#include "report/StoredAnalysis.h"

#include <QTest>

#include <optional>

namespace {

// The figures and rows the analysis stores for these weights (nullopt: an
// empty weight, counted as 0).
struct Analysed {
    StoredFigures figures;
    QList<StoredWeighing> rows;
};

Analysed analysed(const QList<std::optional<double>> &weights)
{
    double total = 0;
    for (const auto &w : weights)
        total += w.value_or(0);
    const double mean = total / weights.size();
    Analysed a{{int(weights.size()), total, mean}, {}};
    for (const auto &w : weights)
        a.rows.append({w ? QVariant(*w) : QVariant(), w.value_or(0) - mean});
    return a;
}

} // namespace

class TstAnaliseVigente : public QObject {
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("matches");
        QTest::newRow("as analysed") << 0 << true;
        QTest::newRow("rounding below the fourth decimal") << 1 << true;
        QTest::newRow("capsule added") << 2 << false;
        QTest::newRow("capsule removed") << 3 << false;
        QTest::newRow("weight corrected") << 4 << false;
        QTest::newRow("weights swapped") << 5 << false;
        QTest::newRow("weight emptied") << 6 << false;
        QTest::newRow("row never analysed") << 7 << false;
        QTest::newRow("no stored total") << 8 << false;
        QTest::newRow("no stored count") << 9 << false;
        QTest::newRow("corrected by a tenth of a milligram") << 10 << false;
    }
    void matches()
    {
        QFETCH(int, change);
        QFETCH(bool, matches);
        Analysed a = analysed({250.1, 249.8, 251.3, 248.7, 285.0, std::nullopt, 250.4});
        switch (change) {
        case 1:
            a.figures.total = a.figures.total.toDouble() + 1e-7;
            a.rows[2].variation = a.rows[2].variation.toDouble() - 1e-7;
            break;
        case 2:
            a.rows.append({252.0, QVariant()});
            break;
        case 3:
            a.rows.removeLast();
            break;
        case 4:
            a.rows[4].weight = 251.2;
            break;
        case 5:
            std::swap(a.rows[0].weight, a.rows[4].weight);
            break;
        case 6:
            a.rows[1].weight = QVariant();
            break;
        case 7:
            a.rows[3].variation = QVariant();
            break;
        case 8:
            a.figures.total = QVariant();
            break;
        case 9:
            a.figures.count = QVariant();
            break;
        case 10:
            a.rows[0].weight = 250.2;
            break;
        }
        QCOMPARE(analysisMatches(a.figures, a.rows), matches);
    }
};

QTEST_GUILESS_MAIN(TstAnaliseVigente)
#include "tst_analisevigente.moc"
