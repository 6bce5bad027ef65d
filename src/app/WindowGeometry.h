#pragma once
// Main-window geometry as stored: twips (1/1440 inch) of the outer window, frame included.

#include <QRect>
#include <optional>

class RegistryHandler;

struct TwipsGeometry {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

namespace WindowGeometry {

// The geometry a first run (or a window saved while minimised) opens with.
inline constexpr TwipsGeometry FallBack{960, 915, 10335, 6780};
// A stored height at or below this is treated as "no usable geometry".
inline constexpr double MinimumUsableHeight = 405;

int twipsToPixels(double twips, double dpi);
double pixelsToTwips(int pixels, double dpi);
QRect toPixels(const TwipsGeometry& geometry, double dpi);
TwipsGeometry toTwips(const QRect& frame, double dpi);

// Reads MainLeft/MainTop/MainWidth/MainHeight with their defaults and applies the fall-back rule
// (an empty or too small stored height, or one that is not a number, gives the fall-back geometry).
// A stored value that does not convert keeps the value before it, as the load's error handling does.
TwipsGeometry readStored(RegistryHandler& registry);
// Decimal text of a twips value as written back ("960").
QString toText(double twips);

} // namespace WindowGeometry
