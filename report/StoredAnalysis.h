#pragma once
// Whether the analysis stored for a formula still stands for its stored
// weighings: the same number of capsules, the same total weight, and each
// capsule's stored variation still its weight less the stored mean (an empty
// weight counts as 0, as in the analysis). A weight corrected, a capsule added,
// removed or swapped after the analysis makes it stale: its mean, deviation,
// marks and verdict no longer describe the capsules. Shared by the report,
// which refuses to print a stale analysis, and the analysis window, which
// shows the state. No widgets; call from the UI thread only.

#include <QList>
#include <QString>
#include <QVariant>

class ClientDataSet;

struct StoredWeighing {
    QVariant weight;    // PESO
    QVariant variation; // VARIACAOPESO
};

struct StoredFigures {
    QVariant count; // QDECAPS
    QVariant total; // PESOTOTAL
    QVariant mean;  // PESOMEDIO
};

// True when the figures still describe the weighings.
bool analysisMatches(const StoredFigures &figures, const QList<StoredWeighing> &weighings);

// The rows of the report query: the weighings, each carrying the figures.
bool reportRowsMatchAnalysis(const ClientDataSet &rows);

// The weighings of the current formula against its result record (the
// current row of result). True too when there is nothing to compare: no
// result record, or one without a verdict (not analysed yet). A weighing
// being typed is left out, and the cursors do not move.
bool weighingsMatchAnalysis(const ClientDataSet &weighings, const ClientDataSet &result);

// The report's refusal, and the analysis window's notice.
extern const QString kStaleAnalysisMessage;
extern const QString kStaleAnalysisNotice;
