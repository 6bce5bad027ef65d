#pragma once
// Where tiled document windows go: a near-square grid, so that many windows stay usable instead of
// becoming thin strips.

#include <QList>
#include <QRect>

namespace WindowTiling {

enum class Direction {
    Horizontal, // full-width rows, stacked top to bottom; a row may hold several windows side by side
    Vertical,   // full-height columns, left to right; a column may hold several windows one above another
};

// The cells of `count` windows tiled in `area`, in the order the windows are given. With up to three
// windows every window gets a whole row (Horizontal) or column (Vertical). With more, the count of
// rows (columns) is count / k for k = floor(sqrt(count)), each holding k windows, the last ones one
// more when the count does not divide evenly. The cells cover the area exactly, without overlap.
QList<QRect> tile(int count, const QRect& area, Direction direction);

} // namespace WindowTiling
