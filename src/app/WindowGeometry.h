#pragma once
// Main-window geometry as stored: twips (1/1440 inch) of the outer window, frame included.
//
// The window manager adds the frame around the client area, and its margins are known only once the
// window has been mapped and framed (none at all without a window manager). So the window is placed
// as if it had no frame, and its client area is fitted as soon as the margins are known; at exit the
// outer rectangle is measured again. An unmoved window writes back exactly the values it read.

#include <QElapsedTimer>
#include <QList>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <QTimer>
#include <optional>

class QWidget;
class RegistryHandler;

struct TwipsGeometry {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool operator==(const TwipsGeometry&) const = default;
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

// The geometry a window is restored to: the twips that will be written back while the window stays
// where it was put, and the outer rectangle in pixels that stands for them.
struct Restored {
    TwipsGeometry twips;
    QRect outer;
};

// Makes the stored geometry a visible window on one of the screens (available areas, in pixels):
// a window larger than the screen it is on shrinks to that screen and moves onto it; a window whose
// title row cannot be reached on any screen opens at the fall-back geometry on the first screen
// (shrunk to it if need be). A geometry that needs neither keeps its twips exactly.
Restored fitToScreens(const TwipsGeometry& stored, double dpi, const QList<QRect>& screens);
// The client area that gives this outer rectangle with these frame margins, and back.
QRect clientFor(const QRect& outer, const QMargins& frame);
QRect outerOf(const QRect& client, const QMargins& frame);
// What to store for a window whose outer rectangle is now `outer`: the restored twips while it is
// unchanged (no rounding through pixels), else the rectangle in twips.
TwipsGeometry toStore(const Restored& restored, const QRect& outer, double dpi);

// Keeps a top-level window's outer geometry: restores it (fitting the client area once the window
// manager's frame is known) and measures it for storing (the normal geometry when maximised,
// minimised or full-screen).
class FrameKeeper : public QObject {
public:
    explicit FrameKeeper(QWidget* window);
    // Before the window is shown.
    void restore(const TwipsGeometry& stored, double dpi);
    TwipsGeometry current(double dpi) const;
    const Restored& restored() const { return restored_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMargins frameMargins() const;
    void fitFrame();

    QWidget* window_;
    Restored restored_;
    QMargins normalFrame_;
    bool fitting_ = false;
    QTimer poll_;
    QElapsedTimer sinceShown_;
};

} // namespace WindowGeometry
