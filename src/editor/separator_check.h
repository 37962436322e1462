#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QLineEdit;
class QWidget;

namespace marivel {

class Prompter;

// Keeps the record separator out of the texts that end up in a project file
// line: a field holding it would split the line into the wrong fields when
// the project is read back.
//
// The check runs at every change of the text, typed, pasted or set by a
// picker. Checking only when the user leaves the control would miss a
// commit started from a tool button or a shortcut, which do not take the
// focus, and the separator would be written into the file.
class SeparatorCheck : public QObject {
    Q_OBJECT

public:
    SeparatorCheck(Prompter& prompter, QObject* parent = nullptr);

    void watch(QLineEdit* edit);
    void watch(QComboBox* combo);

    static bool containsSeparator(const QString& text);
    static const QString& message();

private:
    // Warns and empties the control; clearing re-enters through the change
    // signal, which then finds nothing to complain about.
    void check(QWidget* control, const QString& text, void (*empty)(QWidget*));

    Prompter& prompter_;
};

}  // namespace marivel
