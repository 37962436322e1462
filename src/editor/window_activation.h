#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace marivel {

// Gives the keyboard back when a window of the program that had it closes.
//
// Closing a dialog, a message box or the help window leaves no window of the
// program active until something activates another one. A window manager
// does that; without one (a bare X server, a kiosk session, the offscreen
// platform) nothing does, and every key the user presses next (Alt+F,
// Ctrl+S, Escape) goes nowhere. So when the window holding the keyboard
// goes away and no other window of the program has taken it, the modal
// dialog still open beneath it, or else the home window, is activated.
class WindowActivationReturn : public QObject {
public:
    // Watches every window of the application for as long as home lives.
    explicit WindowActivationReturn(QWidget& home);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void giveBack();

    QWidget& home_;
    // The window of the program that was activated last.
    QPointer<QWidget> lastActive_;
};

}  // namespace marivel
