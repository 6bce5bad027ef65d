#pragma once
// The six status-bar panels: title, CAPS, INS, NUM, date and time, kept current by a timer.

#include <QObject>
#include <array>
#include <functional>
#include <optional>

class QLabel;
class QStatusBar;
class QTimer;

class StatusPanels : public QObject {
    Q_OBJECT
public:
    StatusPanels(QStatusBar* bar, const QString& title);

    // Whether the active editor is in insert mode (nullopt: no editor to ask).
    std::function<std::optional<bool>()> insertMode;

    QLabel* panel(int number) const { return panels_[size_t(number - 1)]; } // 1 to 6
    void refresh();

    // Caps Lock and Num Lock as the window system reports them; nullopt where it cannot tell.
    static std::optional<std::pair<bool, bool>> lockStates();

private:
    static void showIndicator(QLabel* label, const QString& text, std::optional<bool> on);

    std::array<QLabel*, 6> panels_{};
    QTimer* timer_ = nullptr;
};
