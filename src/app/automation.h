#pragma once

#include <QStringList>

#include "platform/answer_queue.h"
#include "platform/prompter.h"

namespace marivel {

class MainWindow;

// Runs the real editor from a script instead of a person, for the tests of
// an installed Marivel (MARIVEL_AUTOMATION names the script file). One
// command a line; blank lines and lines starting with "#" are skipped:
//
//   open PATH     opens the project, as the command line or Open does
//   answer PATH   the answer of the next file dialog (several pictures:
//                 their paths separated by "|")
//   answer yes|no|cancel   the answer of the next question
//   preview       the Preview command
//   save          the Save command (also when it is greyed)
//   save-as       the Save As command
//   close         closes the main window, with its close query
//
// Every step is printed to standard output; error boxes go to standard error.
// Answers whether the script ran to its end with no error box, no question it
// did not answer and no answer left over: 0 when it did, 1 when not, 2 for a
// script that cannot be read or holds an unknown command.
class AutomationPrompter final : public Prompter {
public:
    void error(QWidget* parent, const QString& text, const QString& caption) override;
    Answer yesNo(QWidget* parent, const QString& text) override;
    Answer yesNoCancel(QWidget* parent, const QString& text) override;
    Answer okCancel(QWidget* parent, const QString& text) override;
    void warningYesOnly(QWidget* parent, const QString& text) override;
    void information(QWidget* parent, const QString& caption, const QString& text) override;
    QString openFile(QWidget* parent, const QString& caption, const QString& filter,
                     const QString& directory) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& filter, const QString& directory,
                     bool confirmOverwrite) override;
    QString openPicture(QWidget* parent, const QString& filter, const QString& directory) override;
    QStringList openPictures(QWidget* parent, const QString& filter, const QString& directory) override;
    QColor color(QWidget* parent, const QColor& initial) override;

    void queuePath(const QString& path) { queue_.queuePath(path); }
    void queueAnswer(Answer answer) { queue_.queueAnswer(answer); }
    // Something went wrong that the script did not foresee.
    bool failed() const { return failed_ || !queue_.empty(); }

private:
    QString nextPath(const QString& caption);
    Answer nextAnswer(const QString& text);

    AnswerQueue queue_;
    bool failed_ = false;
};

int RunAutomation(MainWindow& form, AutomationPrompter& prompter, const QString& scriptFile);

}  // namespace marivel
