#pragma once

#include <QString>
#include <exception>
#include <utility>

#include "platform/local_text.h"

class QWidget;

namespace marivel {

class Prompter;

// The text of the standard error box: the message, followed by a period when
// its last character sorts after "." in character code order, so a message
// already ending in ".", "!" or ")" gets none.
QString StandardErrorText(const QString& message);

// Shows the standard error box: caption "Tessaline", error icon, OK.
void ShowStandardError(Prompter& prompter, QWidget* parent, const QString& message);

// Runs one command of the user. An error that the command does not handle
// itself ends the command and is shown in the standard error box; the
// program goes on with whatever state the command left. No exception ever
// reaches the Qt event loop.
template <typename Command>
void RunCommand(Prompter& prompter, QWidget* parent, Command&& command) {
    try {
        std::forward<Command>(command)();
    } catch (const std::exception& e) {  // marivel::Error and the library's errors alike
        ShowStandardError(prompter, parent, toQt(e.what()));
    } catch (...) {
        ShowStandardError(prompter, parent, QStringLiteral("An unexpected error occurred"));
    }
}

}  // namespace marivel
