#include "app/StatusPanels.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTime>
#include <QTimer>

#ifdef TESSARY_HAVE_X11
#include <X11/XKBlib.h>
#endif
#ifdef Q_OS_WIN
#include "platform/win/WinKeyboard.h"
#endif

StatusPanels::StatusPanels(QStatusBar* bar, const QString& title) : QObject(bar)
{
    for (size_t i = 0; i < panels_.size(); ++i) {
        auto* label = new QLabel(bar);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMargin(1);
        panels_[i] = label;
    }
    panels_[0]->setText(title);
    panels_[0]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    bar->addWidget(panels_[0], 1);
    QFontMetrics metrics(bar->font());
    int indicatorWidth = metrics.horizontalAdvance(QStringLiteral(" CAPS ")) + 8;
    for (size_t i = 1; i < 4; ++i) {
        panels_[i]->setMinimumWidth(indicatorWidth);
        bar->addPermanentWidget(panels_[i]);
    }
    panels_[4]->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral(" 00/00/0000 ")) + 8);
    panels_[5]->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral(" 00:00:00 PM ")) + 8);
    bar->addPermanentWidget(panels_[4]);
    bar->addPermanentWidget(panels_[5]);
    // An empty panel can be taller than one with text: all take the height of one with text, so that
    // the bar keeps its height when a panel fills.
    const int height = panels_[0]->sizeHint().height();
    for (QLabel* label : panels_)
        label->setFixedHeight(height);

    timer_ = new QTimer(this);
    timer_->setInterval(250); // lock keys should show promptly; the work per tick is tiny
    connect(timer_, &QTimer::timeout, this, &StatusPanels::refresh);
    timer_->start();
    refresh();
}

void StatusPanels::showIndicator(QLabel* label, const QString& text, std::optional<bool> on)
{
    // Where the state is unknown the panel stays empty rather than show a wrong state.
    if (!on) {
        label->clear();
        return;
    }
    label->setText(text);
    label->setEnabled(*on);
}

std::optional<std::pair<bool, bool>> StatusPanels::lockStates()
{
#ifdef Q_OS_WIN
    return std::make_pair(platform::win::capsLockOn(), platform::win::numLockOn());
#endif
#ifdef TESSARY_HAVE_X11
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (Display* display = x11->display()) {
            unsigned int state = 0;
            if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) == Success) {
                Atom capsAtom = XInternAtom(display, "Caps Lock", True);
                Atom numAtom = XInternAtom(display, "Num Lock", True);
                int capsIndex = -1, numIndex = -1;
                if (capsAtom != None)
                    XkbGetNamedIndicator(display, capsAtom, &capsIndex, nullptr, nullptr, nullptr);
                if (numAtom != None)
                    XkbGetNamedIndicator(display, numAtom, &numIndex, nullptr, nullptr, nullptr);
                if (capsIndex >= 0 && numIndex >= 0)
                    return std::make_pair(bool(state & (1u << capsIndex)), bool(state & (1u << numIndex)));
            }
        }
    }
#endif
    return std::nullopt;
}

void StatusPanels::refresh()
{
    auto locks = lockStates();
    showIndicator(panels_[1], QStringLiteral("CAPS"), locks ? std::optional<bool>(locks->first) : std::nullopt);
    showIndicator(panels_[2], QStringLiteral("INS"), insertMode ? insertMode() : std::nullopt);
    showIndicator(panels_[3], QStringLiteral("NUM"), locks ? std::optional<bool>(locks->second) : std::nullopt);
    QLocale locale = QLocale::system();
    QDateTime now = QDateTime::currentDateTime();
    QString date = locale.toString(now.date(), QLocale::ShortFormat);
    QString time = locale.toString(now.time(), QLocale::ShortFormat);
    if (panels_[4]->text() != date)
        panels_[4]->setText(date);
    if (panels_[5]->text() != time)
        panels_[5]->setText(time);
}
