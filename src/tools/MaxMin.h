#pragma once
// Limits how far the user can resize a window and where the window goes when maximised, and reports
// when the application becomes active or inactive. A window carries one as a child: the limits hold
// from then on, and a changed limit applies to the very next resize.
//
// Sizes are of the whole window, frame included, in pixels, as the user sees it dragged.

#include <QObject>
#include <QPoint>
#include <QSize>

class QWidget;

class MaxMin : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultMaxWidth = 300;
    static constexpr int DefaultMaxHeight = 300;
    static constexpr int DefaultMinWidth = 100;
    static constexpr int DefaultMinHeight = 100;

    explicit MaxMin(QWidget* window);

    int MaxWidth() const { return maxWidth_; }
    int MaxHeight() const { return maxHeight_; }
    int MinWidth() const { return minWidth_; }
    int MinHeight() const { return minHeight_; }
    int MaxPosX() const { return maxPosX_; }
    int MaxPosY() const { return maxPosY_; }
    void SetMaxWidth(int value);
    void SetMaxHeight(int value);
    void SetMinWidth(int value);
    void SetMinHeight(int value);
    void SetMaxPosX(int value);
    void SetMaxPosY(int value);

    // Shows the program's about box, modal over the window.
    void ShowAboutBox();

    // What the window is allowed inside its frame, given the frame's extra width and height.
    static QSize clientMinimum(int minWidth, int minHeight, QSize frameExtra);
    static QSize clientMaximum(int maxWidth, int maxHeight, QSize frameExtra, QSize clientMinimum);

signals:
    void Activate();
    void Deactivate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setLimit(int& limit, int value);
    void applyLimits();
    void placeMaximized();
    void applicationStateChanged(int state);

    QWidget* window_;
    int maxWidth_ = DefaultMaxWidth;
    int maxHeight_ = DefaultMaxHeight;
    int minWidth_ = DefaultMinWidth;
    int minHeight_ = DefaultMinHeight;
    int maxPosX_ = 0;
    int maxPosY_ = 0;
    bool active_ = false;
};
