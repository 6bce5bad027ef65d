#include "app/WindowTiling.h"

namespace WindowTiling {

namespace {

// Edge i of n equal parts of [start, start + length), rounded so that the parts meet exactly.
int edge(int start, int length, int i, int n)
{
    return start + int(qint64(length) * i / n);
}

} // namespace

QList<QRect> tile(int count, const QRect& area, Direction direction)
{
    QList<QRect> cells;
    if (count <= 0)
        return cells;
    int perLine = 1; // windows in each row (Horizontal) or column (Vertical)
    while ((perLine + 1) * (perLine + 1) <= count)
        ++perLine;
    const int lines = count / perLine;
    const int longer = count % perLine; // the last `longer` lines hold one window more
    const bool rows = direction == Direction::Horizontal;
    const int across = rows ? area.height() : area.width(); // the extent split between lines
    const int along = rows ? area.width() : area.height();  // the extent split within a line
    const int acrossStart = rows ? area.top() : area.left();
    const int alongStart = rows ? area.left() : area.top();
    for (int line = 0; line < lines; ++line) {
        const int inLine = perLine + (line >= lines - longer ? 1 : 0);
        const int a0 = edge(acrossStart, across, line, lines), a1 = edge(acrossStart, across, line + 1, lines);
        for (int i = 0; i < inLine; ++i) {
            const int b0 = edge(alongStart, along, i, inLine), b1 = edge(alongStart, along, i + 1, inLine);
            cells << (rows ? QRect(QPoint(b0, a0), QPoint(b1 - 1, a1 - 1))
                           : QRect(QPoint(a0, b0), QPoint(a1 - 1, b1 - 1)));
        }
    }
    return cells;
}

} // namespace WindowTiling
