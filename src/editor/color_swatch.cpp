#include "editor/color_swatch.h"

#include <QMouseEvent>

namespace marivel {

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setFixedSize(22, 22);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
    setColor(Qt::white);
}

void ColorSwatch::setColor(const QColor& color) {
    color_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color_);
    setPalette(pal);
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
