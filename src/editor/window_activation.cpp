#include "editor/window_activation.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace marivel {

WindowActivationReturn::WindowActivationReturn(QWidget& home) : QObject(&home), home_(home) {
    qApp->installEventFilter(this);
}

bool WindowActivationReturn::eventFilter(QObject* watched, QEvent* event) {
    if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
        auto* window = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::WindowActivate) {
            lastActive_ = window;
        } else if (event->type() == QEvent::Hide && window != &home_ && window == lastActive_) {
            // Only the window that last held the keyboard hands it on: a
            // tool tip or a menu never had it to give.
            lastActive_ = nullptr;
            // Once the hide is complete, and after a window manager has had
            // its chance to activate the window of its choice.
            QTimer::singleShot(0, this, &WindowActivationReturn::giveBack);
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowActivationReturn::giveBack() {
    if (!home_.isVisible()) return;
    if (const QWidget* active = QApplication::activeWindow(); active && active->isVisible()) return;
    QWidget* next = QApplication::activeModalWidget();
    if (!next || !next->isVisible()) next = &home_;
    next->activateWindow();
}

}  // namespace marivel
