#include "app/WindowGeometry.h"

#include "preferences/RegistryHandler.h"

#include <cmath>

namespace WindowGeometry {

int twipsToPixels(double twips, double dpi)
{
    return int(std::lround(twips * dpi / 1440.0));
}

double pixelsToTwips(int pixels, double dpi)
{
    return std::round(pixels * 1440.0 / dpi);
}

QRect toPixels(const TwipsGeometry& g, double dpi)
{
    return QRect(twipsToPixels(g.left, dpi), twipsToPixels(g.top, dpi), twipsToPixels(g.width, dpi),
                 twipsToPixels(g.height, dpi));
}

TwipsGeometry toTwips(const QRect& frame, double dpi)
{
    return {pixelsToTwips(frame.x(), dpi), pixelsToTwips(frame.y(), dpi),
            pixelsToTwips(frame.width(), dpi), pixelsToTwips(frame.height(), dpi)};
}

static std::optional<double> number(const TaggedValue& value)
{
    bool ok = false;
    double d = value.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

TwipsGeometry readStored(RegistryHandler& registry)
{
    // Design-time size of the window, kept when a stored value does not convert.
    TwipsGeometry g{1000, 1000, 10000, 7000};
    if (auto v = number(registry.GetRegValue("MainLeft", TaggedValue::fromString("1000"))))
        g.left = *v;
    if (auto v = number(registry.GetRegValue("MainTop", TaggedValue::fromString("1000"))))
        g.top = *v;
    if (auto v = number(registry.GetRegValue("MainWidth", TaggedValue::fromString("10000"))))
        g.width = *v;
    if (auto v = number(registry.GetRegValue("MainHeight", TaggedValue::fromString("7000"))))
        g.height = *v;

    // A height that is missing, not a number, or too small for a usable window (saved while
    // minimised) gives the fall-back geometry.
    TaggedValue stored = registry.GetRegValue("MainHeight", TaggedValue::fromString(QString()));
    auto height = number(stored);
    if (!height || *height <= MinimumUsableHeight)
        g = FallBack;
    // A window narrower than a few pixels could not be found again on screen.
    if (g.width < 1500)
        g.width = FallBack.width;
    return g;
}

QString toText(double twips)
{
    return QString::number(qint64(std::llround(twips)));
}

} // namespace WindowGeometry
