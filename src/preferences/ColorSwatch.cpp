#include "preferences/ColorSwatch.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void ColorSwatch::setColor(const QColor& color)
{
    // Only plain opaque RGB colours can be stored; anything else is flattened to that.
    QColor opaque = color.isValid() ? color.toRgb() : QColor(Qt::black);
    opaque.setAlpha(255);
    if (opaque == color_)
        return;
    color_ = opaque;
    update();
}

quint32 ColorSwatch::toBgr(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

QColor ColorSwatch::fromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

quint32 ColorSwatch::bgr() const { return toBgr(color_); }

void ColorSwatch::setBgr(quint32 bgr) { setColor(fromBgr(bgr)); }

QSize ColorSwatch::sizeHint() const
{
    const int h = fontMetrics().height() + 8;
    return QSize(h * 3, h);
}

void ColorSwatch::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), color_);
        if (hasFocus()) {
            // A contrasting inner outline shows the keyboard focus on any colour.
            painter.setPen(QPen(color_.lightness() < 128 ? Qt::white : Qt::black, 1, Qt::DotLine));
            painter.drawRect(contentsRect().adjusted(2, 2, -3, -3));
        }
    }
    QFrame::paintEvent(event);
}

void ColorSwatch::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        emit activated();
        event->accept();
        return;
    }
    QFrame::mouseDoubleClickEvent(event);
}

void ColorSwatch::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            emit activated();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QFrame::keyPressEvent(event);
}
