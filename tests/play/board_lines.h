// Measuring the grid lines of a board picture drawn at a device pixel ratio, for boards
// whose cells show nothing but their ground (every candidate marked).
#pragma once

#include <QImage>
#include <QString>
#include <QtMath>

#include <vector>

namespace vantrell::testing {

struct LineRun {
    int start = 0;
    int width = 0;
    QRgb colour = 0;
};

// The lines crossed along device row (or column) `at`: runs of pixels other than ground.
// A run of mixed colours is reported with colour 0.
inline std::vector<LineRun> lineRuns(const QImage &picture, int at, bool alongRow, QRgb ground)
{
    std::vector<LineRun> runs;
    const int length = alongRow ? picture.width() : picture.height();
    for (int i = 0; i < length; ++i) {
        const QRgb c = alongRow ? picture.pixel(i, at) : picture.pixel(at, i);
        if (c == ground)
            continue;
        if (!runs.empty() && runs.back().start + runs.back().width == i) {
            if (runs.back().colour != c)
                runs.back().colour = 0;
            ++runs.back().width;
        } else {
            runs.push_back({i, 1, c});
        }
    }
    return runs;
}

// Checks the lines crossed along one row or column of an n x n board at ratio: one line
// on every cell edge in its colour (dark where blocks meet, as blockEdge says); at a whole
// ratio each line exactly where the 1x line lies, scaled; otherwise every inner line
// round(2 * ratio) wide, the frame alike on both sides and cells within a pixel of each
// other. Returns what is wrong, or an empty text.
template <typename BlockEdge>
QString checkLineRuns(const std::vector<LineRun> &runs, int n, qreal ratio, QRgb thin, QRgb dark, int pictureSide,
                      BlockEdge blockEdge)
{
    if (static_cast<int>(runs.size()) != n + 1)
        return QStringLiteral("%1 lines, expected %2").arg(runs.size()).arg(n + 1);
    const bool whole = ratio == qFloor(ratio);
    const int width = qRound(2 * ratio);
    int narrowest = 1 << 30, widest = 0;
    for (int k = 0; k <= n; ++k) {
        const LineRun &run = runs[static_cast<std::size_t>(k)];
        const QRgb colour = blockEdge(k) ? dark : thin;
        if (run.colour != colour)
            return QStringLiteral("line %1 has colour %2").arg(k).arg(run.colour, 8, 16);
        if (whole) {
            const int r = static_cast<int>(ratio);
            const int from = qMax(0, r * (45 * k - 1)), to = qMin(pictureSide, r * (45 * k + 1));
            if (run.start != from || run.start + run.width != to)
                return QStringLiteral("line %1 covers %2..%3, expected %4..%5")
                    .arg(k).arg(run.start).arg(run.start + run.width - 1).arg(from).arg(to - 1);
        } else if (k > 0 && k < n && run.width != width) {
            return QStringLiteral("line %1 is %2 pixels wide, expected %3").arg(k).arg(run.width).arg(width);
        }
        if (k > 0) {
            const auto &before = runs[static_cast<std::size_t>(k - 1)];
            const int cell = run.start - (before.start + before.width);
            narrowest = qMin(narrowest, cell);
            widest = qMax(widest, cell);
        }
    }
    if (runs.front().width != runs.back().width)
        return QStringLiteral("the frame is %1 and %2 pixels").arg(runs.front().width).arg(runs.back().width);
    if (widest - narrowest > 1)
        return QStringLiteral("cells between %1 and %2 pixels").arg(narrowest).arg(widest);
    return {};
}

} // namespace vantrell::testing
