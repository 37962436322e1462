#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace marivel {

// Puts a window, already sized, in the middle of the screen's work area.
inline void CentreOnScreen(QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

// Window flags of the program's small fixed dialogs: a caption and nothing
// else in the title bar.
inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

}  // namespace marivel
