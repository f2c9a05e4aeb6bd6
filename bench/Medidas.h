#pragma once
// Small measuring helpers shared by the benchmarks.

#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdio>

inline double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// Resident memory of this process, in kB.
inline long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// One row of the table scripts/benchmarks.sh gathers from every benchmark:
// "@table", action, size, median, minimum and maximum in ms, turns ("-" when
// not counted) and resident memory in kB, separated by tabs.
inline void tableRow(const QString &action, const QString &size, const QList<double> &ms, double turns = -1,
                     long memoryKb = residentKb())
{
    if (ms.isEmpty())
        return;
    const QByteArray t = turns < 0 ? QByteArray("-") : QByteArray::number(turns, 'f', 0);
    std::printf("@table\t%s\t%s\t%.4f\t%.4f\t%.4f\t%s\t%ld\n", action.toUtf8().constData(), size.toUtf8().constData(),
                median(ms), *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
                t.constData(), memoryKb);
    std::fflush(stdout);
}
