#include "editor/color_swatch.h"

#include <qdrawutil.h>
#include <QMouseEvent>
#include <QPainter>

namespace marivel {

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
    setFixedSize(22, 22);
    setCursor(Qt::PointingHandCursor);
    setColor(Qt::white);
}

void ColorSwatch::setColor(const QColor& color) {
    color_ = color;
    update();
}

// The colour fills the whole face, framed by a lowered outer and a raised
// inner bevel so the swatch reads as something to press.
void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, color_);
    qDrawShadePanel(&p, r, palette(), true, 1);
    qDrawShadePanel(&p, r.adjusted(1, 1, -1, -1), palette(), false, 1);
}

void ColorSwatch::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

// Like a button: the click counts when the release happens over the swatch.
void ColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (event->button() == Qt::LeftButton && wasPressed && rect().contains(event->position().toPoint())) {
        event->accept();
        emit clicked();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}

}  // namespace marivel
