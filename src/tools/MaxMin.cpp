#include "tools/MaxMin.h"

#include "platform/ProductInfo.h"
#include "tools/frmAbout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

MaxMin::MaxMin(QWidget* window) : QObject(window), window_(window)
{
    window_->installEventFilter(this);
    active_ = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { applicationStateChanged(state); });
    applyLimits();
}

void MaxMin::SetMaxWidth(int value) { setLimit(maxWidth_, value); }
void MaxMin::SetMaxHeight(int value) { setLimit(maxHeight_, value); }
void MaxMin::SetMinWidth(int value) { setLimit(minWidth_, value); }
void MaxMin::SetMinHeight(int value) { setLimit(minHeight_, value); }
void MaxMin::SetMaxPosX(int value) { maxPosX_ = value; }
void MaxMin::SetMaxPosY(int value) { maxPosY_ = value; }

void MaxMin::ShowAboutBox()
{
    frmAbout box({ProductInfo::WebSite, ProductInfo::MakerWebSite}, QString(), window_);
    box.exec();
}

void MaxMin::setLimit(int& limit, int value)
{
    limit = value;
    applyLimits();
}

QSize MaxMin::clientMinimum(int minWidth, int minHeight, QSize frameExtra)
{
    return QSize(std::max(0, minWidth - frameExtra.width()), std::max(0, minHeight - frameExtra.height()));
}

QSize MaxMin::clientMaximum(int maxWidth, int maxHeight, QSize frameExtra, QSize clientMinimum)
{
    // A maximum below the minimum gives way: the window can always reach its minimum size.
    auto limit = [](int value, int extra, int minimum) {
        return std::clamp(value - extra, minimum, QWIDGETSIZE_MAX);
    };
    return QSize(limit(maxWidth, frameExtra.width(), clientMinimum.width()),
                 limit(maxHeight, frameExtra.height(), clientMinimum.height()));
}

void MaxMin::applyLimits()
{
    // The frame is known only once the window manager has framed the window; until then the whole
    // limit applies to the inside, which errs on the large side.
    QSize extra = window_->frameGeometry().size() - window_->size();
    extra = extra.expandedTo(QSize(0, 0));
    const QSize minimum = clientMinimum(minWidth_, minHeight_, extra);
    const QSize maximum = clientMaximum(maxWidth_, maxHeight_, extra, minimum);
    if (window_->minimumSize() != minimum)
        window_->setMinimumSize(minimum);
    if (window_->maximumSize() != maximum)
        window_->setMaximumSize(maximum);
}

void MaxMin::placeMaximized()
{
    // At (0, 0) the window manager's own place is the one wanted: moving a maximised window would
    // make some window managers drop its maximised state.
    if (!window_->isMaximized() || (maxPosX_ == 0 && maxPosY_ == 0))
        return;
    QScreen* screen = window_->screen();
    if (!screen)
        return;
    const QPoint wanted = screen->availableGeometry().topLeft() + QPoint(maxPosX_, maxPosY_);
    if (window_->frameGeometry().topLeft() != wanted)
        window_->move(wanted);
}

bool MaxMin::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
            applyLimits();
            break;
        case QEvent::WindowStateChange:
            // The window manager places the maximised window first; put it where it belongs after.
            QTimer::singleShot(100, this, &MaxMin::placeMaximized);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void MaxMin::applicationStateChanged(int state)
{
    const bool active = state == Qt::ApplicationActive;
    if (active == active_)
        return;
    active_ = active;
    if (active)
        emit Activate();
    else
        emit Deactivate();
}
