#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

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
    void queueAnswer(Answer answer) { answers_.push_back(answer); }
    // Answers of openFile, saveFile and openPicture, in order; an empty string
    // plays a cancelled dialog.
    void queuePath(const QString& path) { paths_.push_back(path); }
    // Answers of openPictures, in order; an empty list plays a cancel.
    void queuePaths(const QStringList& paths) { pathLists_.push_back(paths); }
    // Answers of the colour dialog; an invalid QColor plays a cancel.
    void queueColor(const QColor& color) { colors_.push_back(color); }
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
        answers_.clear();
        paths_.clear();
        colors_.clear();
        pathLists_.clear();
    }
    bool allAnswersUsed() const {
        return answers_.empty() && paths_.empty() && colors_.empty() && pathLists_.empty();
    }

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
        if (pathLists_.empty()) {
            unanswered();
            return {};
        }
        QStringList paths = pathLists_.front();
        pathLists_.pop_front();
        return paths;
    }
    QColor color(QWidget*, const QColor& initial) override {
        asked_.push_back({Kind::Color, {}, {}, {}, {}, initial});
        if (colors_.empty()) {
            unanswered();
            return QColor();
        }
        QColor c = colors_.front();
        colors_.pop_front();
        return c;
    }

private:
    void unanswered() {
        if (strict_) ADD_FAILURE() << "a dialog was opened that the test did not script an answer for";
    }
    Answer nextAnswer() {
        if (answers_.empty()) {
            unanswered();
            return Answer::Cancel;
        }
        Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    QString nextPath() {
        if (paths_.empty()) {
            unanswered();
            return QString();
        }
        QString p = paths_.front();
        paths_.pop_front();
        return p;
    }

    std::deque<Answer> answers_;
    std::deque<QString> paths_;
    std::deque<QColor> colors_;
    std::deque<QStringList> pathLists_;
    std::vector<Prompt> asked_;
    bool strict_ = true;
};

}  // namespace marivel::test
