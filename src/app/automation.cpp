#include "app/automation.h"

#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <optional>

#include "documents/document_commands.h"
#include "editor/main_actions.h"
#include "editor/main_window.h"

namespace marivel {

namespace {

void say(const QString& text) {
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

void complain(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

}  // namespace

void AutomationPrompter::error(QWidget*, const QString& text, const QString&) {
    complain(QStringLiteral("error box: ") + text);
    failed_ = true;
}

Prompter::Answer AutomationPrompter::nextAnswer(const QString& text) {
    const std::optional<Answer> next = queue_.nextAnswer();
    if (!next) {
        complain(QStringLiteral("unanswered question: ") + text);
        failed_ = true;
        return Answer::Cancel;
    }
    const Answer answer = *next;
    say(QStringLiteral("question: %1 -> %2")
            .arg(text, answer == Answer::Yes  ? QStringLiteral("yes")
                       : answer == Answer::No ? QStringLiteral("no")
                                              : QStringLiteral("cancel")));
    return answer;
}

QString AutomationPrompter::nextPath(const QString& caption) {
    const std::optional<QString> next = queue_.nextPath();
    if (!next) {
        complain(QStringLiteral("unanswered file dialog: ") + caption);
        failed_ = true;
        return QString();
    }
    const QString path = *next;
    say(QStringLiteral("file dialog: %1 -> %2").arg(caption, path));
    return path;
}

Prompter::Answer AutomationPrompter::yesNo(QWidget*, const QString& text) {
    return nextAnswer(text);
}

Prompter::Answer AutomationPrompter::yesNoCancel(QWidget*, const QString& text) {
    return nextAnswer(text);
}

Prompter::Answer AutomationPrompter::okCancel(QWidget*, const QString& text) {
    // "answer yes" stands for OK; any other answer cancels.
    return nextAnswer(text) == Answer::Yes ? Answer::Yes : Answer::Cancel;
}

void AutomationPrompter::warningYesOnly(QWidget*, const QString& text) {
    say(QStringLiteral("warning: ") + text);
}

void AutomationPrompter::information(QWidget*, const QString& caption, const QString& text) {
    say(QStringLiteral("information: %1: %2").arg(caption, text));
}

QString AutomationPrompter::openFile(QWidget*, const QString& caption, const QString&, const QString&) {
    return nextPath(caption);
}

QString AutomationPrompter::saveFile(QWidget*, const QString& caption, const QString&, const QString&, bool) {
    return nextPath(caption);
}

QString AutomationPrompter::openPicture(QWidget*, const QString&, const QString&) {
    return nextPath(QStringLiteral("Picture"));
}

QStringList AutomationPrompter::openPictures(QWidget*, const QString&, const QString&) {
    const QString paths = nextPath(QStringLiteral("Pictures"));
    return paths.isEmpty() ? QStringList() : paths.split(QLatin1Char('|'));
}

QColor AutomationPrompter::color(QWidget*, const QColor&) {
    complain(QStringLiteral("unanswered colour dialog"));
    failed_ = true;
    return QColor();
}

int RunAutomation(MainWindow& form, AutomationPrompter& prompter, const QString& scriptFile) {
    QFile file(scriptFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        complain(QStringLiteral("cannot read the script %1: %2").arg(scriptFile, file.errorString()));
        return 2;
    }
    QTextStream in(&file);
    for (int number = 1; !in.atEnd(); ++number) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        const QString command = line.left(blank);
        const QString argument = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        say(QStringLiteral("> ") + line);
        if (command == QLatin1String("open")) {
            form.run([&] { form.openProjectByPath(argument); });
        } else if (command == QLatin1String("answer")) {
            if (argument == QLatin1String("yes"))
                prompter.queueAnswer(Prompter::Answer::Yes);
            else if (argument == QLatin1String("no"))
                prompter.queueAnswer(Prompter::Answer::No);
            else if (argument == QLatin1String("cancel"))
                prompter.queueAnswer(Prompter::Answer::Cancel);
            else
                prompter.queuePath(argument);
        } else if (command == QLatin1String("preview")) {
            form.mainActions().previewAction->trigger();
        } else if (command == QLatin1String("save")) {
            form.run([&] { form.documentCommands().saveProject(); });
        } else if (command == QLatin1String("save-as")) {
            form.mainActions().saveAsAction->trigger();
        } else if (command == QLatin1String("close")) {
            form.close();
        } else {
            complain(QStringLiteral("%1:%2: unknown command %3").arg(scriptFile).arg(number).arg(command));
            return 2;
        }
    }
    return prompter.failed() ? 1 : 0;
}

}  // namespace marivel
