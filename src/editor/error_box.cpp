#include "editor/error_box.h"

#include "platform/prompter.h"

namespace marivel {

QString StandardErrorText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

void ShowStandardError(Prompter& prompter, QWidget* parent, const QString& message) {
    prompter.error(parent, StandardErrorText(message), QStringLiteral("Tessaline"));
}

}  // namespace marivel
