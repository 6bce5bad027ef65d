#include "app/WindowGeometry.h"

#include "preferences/RegistryHandler.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace WindowGeometry {

// Far beyond any screen, yet safe to convert to int pixels.
constexpr double kLargestTwips = 1.0e7;

int twipsToPixels(double twips, double dpi)
{
    return int(std::lround(std::clamp(twips, -kLargestTwips, kLargestTwips) * dpi / 1440.0));
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

namespace {

// The title row (top 30 pixels of the outer window) shows at least 100 pixels wide on the screen.
bool titleReachable(const QRect& outer, const QRect& screen)
{
    const QRect title(outer.left(), outer.top(), outer.width(), std::min(outer.height(), 30));
    const QRect seen = title.intersected(screen);
    return outer.top() >= screen.top() && seen.width() >= std::min(outer.width(), 100) && !seen.isEmpty();
}

// Shrinks to the screen and, when shrunk, moves onto it.
QRect fitInto(QRect outer, const QRect& screen)
{
    if (outer.width() <= screen.width() && outer.height() <= screen.height())
        return outer;
    outer.setWidth(std::min(outer.width(), screen.width()));
    outer.setHeight(std::min(outer.height(), screen.height()));
    outer.moveLeft(std::clamp(outer.left(), screen.left(), screen.right() + 1 - outer.width()));
    outer.moveTop(std::clamp(outer.top(), screen.top(), screen.bottom() + 1 - outer.height()));
    return outer;
}

} // namespace

Restored fitToScreens(const TwipsGeometry& stored, double dpi, const QList<QRect>& screens)
{
    Restored result{stored, toPixels(stored, dpi)};
    if (screens.isEmpty())
        return result;
    const QRect* home = nullptr;
    for (const QRect& screen : screens)
        if (titleReachable(result.outer, screen) &&
            (!home || result.outer.intersected(screen).width() * qint64(result.outer.intersected(screen).height()) >
                          result.outer.intersected(*home).width() * qint64(result.outer.intersected(*home).height())))
            home = &screen;
    QRect outer = result.outer;
    if (home) {
        outer = fitInto(outer, *home);
    } else {
        outer = fitInto(toPixels(FallBack, dpi), screens.front());
        if (!titleReachable(outer, screens.front()))
            outer.moveTopLeft(screens.front().topLeft());
    }
    if (outer != result.outer)
        result = {toTwips(outer, dpi), outer};
    return result;
}

QRect clientFor(const QRect& outer, const QMargins& frame)
{
    return outer.marginsRemoved(frame);
}

QRect outerOf(const QRect& client, const QMargins& frame)
{
    return client.marginsAdded(frame);
}

TwipsGeometry toStore(const Restored& restored, const QRect& outer, double dpi)
{
    return outer == restored.outer ? restored.twips : toTwips(outer, dpi);
}

// ---- FrameKeeper ----------------------------------------------------------------------------------

// How long after showing the window the frame may still arrive from the window manager.
constexpr int kFrameWaitMs = 3000;

FrameKeeper::FrameKeeper(QWidget* window)
    : QObject(window)
    , window_(window)
{
    poll_.setInterval(25);
    connect(&poll_, &QTimer::timeout, this, [this] { fitFrame(); });
    window_->installEventFilter(this);
}

void FrameKeeper::restore(const TwipsGeometry& stored, double dpi)
{
    QList<QRect> screens;
    for (QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    restored_ = fitToScreens(stored, dpi, screens);
    // No frame is known yet: the outer rectangle is the client area until the frame arrives. move()
    // places the frame's corner, so only the size needs fitting later.
    window_->move(restored_.outer.topLeft());
    window_->resize(restored_.outer.size());
    fitting_ = true;
}

QMargins FrameKeeper::frameMargins() const
{
    const QRect frame = window_->frameGeometry();
    const QRect client = window_->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

void FrameKeeper::fitFrame()
{
    if (!fitting_ || !window_->isVisible())
        return;
    if (window_->windowState() != Qt::WindowNoState || sinceShown_.elapsed() > kFrameWaitMs) {
        fitting_ = false;
        poll_.stop();
        return;
    }
    const QMargins frame = frameMargins();
    if (frame.isNull())
        return; // not framed yet, or no window manager
    fitting_ = false;
    poll_.stop();
    normalFrame_ = frame;
    const QRect client = clientFor(restored_.outer, frame);
    if (window_->geometry() != client) {
        window_->resize(client.size());
        window_->move(restored_.outer.topLeft());
    }
}

bool FrameKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Show:
            if (fitting_) {
                sinceShown_.start();
                poll_.start();
                QTimer::singleShot(0, this, [this] { fitFrame(); });
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (fitting_)
                fitFrame();
            else if (window_->isVisible() && window_->windowState() == Qt::WindowNoState && !frameMargins().isNull())
                normalFrame_ = frameMargins();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

TwipsGeometry FrameKeeper::current(double dpi) const
{
    // Closed before the frame arrived: the window still has the size it was given.
    if (fitting_ && window_->size() == restored_.outer.size())
        return restored_.twips;
    QRect outer = window_->frameGeometry();
    // A maximised window would store more than the screen: the normal geometry is what the user set.
    if (window_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        outer = outerOf(window_->normalGeometry(), normalFrame_);
    return toStore(restored_, outer, dpi);
}

} // namespace WindowGeometry
