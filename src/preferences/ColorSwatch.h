#pragma once
// A small coloured box standing for one syntax colour. Double-clicking it (or pressing Space or Enter
// while it has the focus) asks for a new colour through the activated() signal; the owner decides.

#include <QColor>
#include <QFrame>

class ColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor& color);

    // The colour as the editor stores it: 0x00BBGGRR, red in the low byte.
    quint32 bgr() const;
    void setBgr(quint32 bgr);
    static quint32 toBgr(const QColor& color);
    static QColor fromBgr(quint32 bgr);

    QSize sizeHint() const override;

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor color_ = Qt::black;
};
