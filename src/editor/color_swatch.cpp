#include "editor/color_swatch.h"

#include <qdrawutil.h>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "editor/page_controls.h"

namespace marivel {

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
    setFixedSize(22, 22);
    setCursor(Qt::PointingHandCursor);
    // Tab reaches it; a mouse click leaves the focus where the user typed.
    setFocusPolicy(Qt::TabFocus);
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
    if (hasFocus()) pages::drawFocusFrame(p, r.adjusted(3, 3, -3, -3));
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

// Space clicks when released, as on a button; Return and Enter at once.
void ColorSwatch::keyPressEvent(QKeyEvent* event) {
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    if (plain && event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) spaceDown_ = true;
        event->accept();
        return;
    }
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        if (!event->isAutoRepeat()) emit clicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

void ColorSwatch::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && spaceDown_) {
        spaceDown_ = false;
        event->accept();
        emit clicked();
        return;
    }
    QFrame::keyReleaseEvent(event);
}

void ColorSwatch::focusOutEvent(QFocusEvent* event) {
    spaceDown_ = false;
    QFrame::focusOutEvent(event);
}

}  // namespace marivel
