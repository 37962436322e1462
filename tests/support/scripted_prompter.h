#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QString>
#include <optional>
#include <vector>

#include "platform/answer_queue.h"
#include "platform/prompter.h"

namespace marivel::test {

// A Prompter for widget tests: every question is answered from a queue the
// test filled beforehand, without any modal loop, and every question asked is
// recorded so the test can check its kind and text.
//
// A question whose queue is empty fails the running test (it would have
// blocked a real user on a dialog nobody expected) and is answered like a
// cancelled dialog: Cancel, an empty path, an invalid colour.
class ScriptedPrompter final : public Prompter {
public:
    enum class Kind {
        Error,
        YesNo,
        YesNoCancel,
        OkCancel,
        WarningYesOnly,
        Information,
        OpenFile,
        SaveFile,
        OpenPicture,
        OpenPictures,
        Color
    };

    struct Prompt {
        Kind kind;
        QString text;       // message text (boxes)
        QString caption;    // caption given by the caller (may be empty)
        QString filter;     // file dialogs
        QString directory;  // file dialogs
        QColor initial;     // colour dialog
    };

    // --- scripting -----------------------------------------------------------
    // Answers of yesNo, yesNoCancel and okCancel (Yes for OK), in order.
    void queueAnswer(Answer answer) { queue_.queueAnswer(answer); }
    // Answers of openFile, saveFile and openPicture, in order; an empty string
    // plays a cancelled dialog.
    void queuePath(const QString& path) { queue_.queuePath(path); }
    // Answers of openPictures, in order; an empty list plays a cancel.
    void queuePaths(const QStringList& paths) { queue_.queuePaths(paths); }
    // Answers of the colour dialog; an invalid QColor plays a cancel.
    void queueColor(const QColor& color) { queue_.queueColor(color); }
    // When off, questions without a scripted answer are answered like a
    // cancel without failing the test.
    void setStrict(bool strict) { strict_ = strict; }

    // --- what was asked --------------------------------------------------------
    const std::vector<Prompt>& asked() const { return asked_; }
    int count(Kind kind) const {
        int n = 0;
        for (const auto& p : asked_) n += p.kind == kind ? 1 : 0;
        return n;
    }
    const Prompt* last() const { return asked_.empty() ? nullptr : &asked_.back(); }
    void clear() {
        asked_.clear();
        queue_.clear();
    }
    bool allAnswersUsed() const { return queue_.empty(); }

    // --- Prompter --------------------------------------------------------------
    void error(QWidget*, const QString& text, const QString& caption) override {
        asked_.push_back({Kind::Error, text, caption, {}, {}, {}});
    }
    Answer yesNo(QWidget*, const QString& text) override {
        asked_.push_back({Kind::YesNo, text, {}, {}, {}, {}});
        return nextAnswer();
    }
    Answer yesNoCancel(QWidget*, const QString& text) override {
        asked_.push_back({Kind::YesNoCancel, text, {}, {}, {}, {}});
        return nextAnswer();
    }
    Answer okCancel(QWidget*, const QString& text) override {
        asked_.push_back({Kind::OkCancel, text, {}, {}, {}, {}});
        return nextAnswer() == Answer::Yes ? Answer::Yes : Answer::Cancel;
    }
    void warningYesOnly(QWidget*, const QString& text) override {
        asked_.push_back({Kind::WarningYesOnly, text, {}, {}, {}, {}});
    }
    void information(QWidget*, const QString& caption, const QString& text) override {
        asked_.push_back({Kind::Information, text, caption, {}, {}, {}});
    }
    QString openFile(QWidget*, const QString& caption, const QString& filter,
                     const QString& directory) override {
        asked_.push_back({Kind::OpenFile, {}, caption, filter, directory, {}});
        return nextPath();
    }
    QString saveFile(QWidget*, const QString& caption, const QString& filter, const QString& directory,
                     bool) override {
        asked_.push_back({Kind::SaveFile, {}, caption, filter, directory, {}});
        return nextPath();
    }
    QString openPicture(QWidget*, const QString& filter, const QString& directory) override {
        asked_.push_back({Kind::OpenPicture, {}, {}, filter, directory, {}});
        return nextPath();
    }
    QStringList openPictures(QWidget*, const QString& filter, const QString& directory) override {
        asked_.push_back({Kind::OpenPictures, {}, {}, filter, directory, {}});
        const std::optional<QStringList> paths = queue_.nextPaths();
        if (!paths) unanswered();
        return paths.value_or(QStringList());
    }
    QColor color(QWidget*, const QColor& initial) override {
        asked_.push_back({Kind::Color, {}, {}, {}, {}, initial});
        const std::optional<QColor> c = queue_.nextColor();
        if (!c) unanswered();
        return c.value_or(QColor());
    }

private:
    void unanswered() {
        if (strict_) ADD_FAILURE() << "a dialog was opened that the test did not script an answer for";
    }
    Answer nextAnswer() {
        const std::optional<Answer> a = queue_.nextAnswer();
        if (!a) unanswered();
        return a.value_or(Answer::Cancel);
    }
    QString nextPath() {
        const std::optional<QString> p = queue_.nextPath();
        if (!p) unanswered();
        return p.value_or(QString());
    }

    AnswerQueue queue_;
    std::vector<Prompt> asked_;
    bool strict_ = true;
};

}  // namespace marivel::test
