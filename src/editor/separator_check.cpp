#include "editor/separator_check.h"

#include <QComboBox>
#include <QLineEdit>

#include "platform/prompter.h"

namespace marivel {

namespace {
const QString kSeparator = QStringLiteral("#$@");
}

SeparatorCheck::SeparatorCheck(Prompter& prompter, QObject* parent) : QObject(parent), prompter_(prompter) {}

bool SeparatorCheck::containsSeparator(const QString& text) {
    return text.contains(kSeparator);
}

const QString& SeparatorCheck::message() {
    static const QString text = QStringLiteral("The text can't include \"#$@\", it is used by system!");
    return text;
}

void SeparatorCheck::watch(QLineEdit* edit) {
    connect(edit, &QLineEdit::textChanged, this, [this, edit](const QString& text) {
        check(edit, text, [](QWidget* w) { static_cast<QLineEdit*>(w)->clear(); });
    });
}

void SeparatorCheck::watch(QComboBox* combo) {
    connect(combo, &QComboBox::editTextChanged, this, [this, combo](const QString& text) {
        check(combo, text, [](QWidget* w) { static_cast<QComboBox*>(w)->setEditText(QString()); });
    });
}

void SeparatorCheck::check(QWidget* control, const QString& text, void (*empty)(QWidget*)) {
    if (!containsSeparator(text)) return;
    prompter_.warningYesOnly(control->window(), message());
    empty(control);
}

}  // namespace marivel
