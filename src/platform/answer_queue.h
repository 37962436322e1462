#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "platform/prompter.h"

namespace marivel {

// Answers to the program's questions given before they are asked, each kind
// in its own order: the editor run from a script (MARIVEL_AUTOMATION) and the
// widget tests' scripted prompter both answer from one of these, so both
// take answers the same way. A question with no answer left gets nothing;
// the prompter decides what that means.
class AnswerQueue {
public:
    // Answers of yesNo, yesNoCancel and okCancel (Yes for OK).
    void queueAnswer(Prompter::Answer answer) { answers_.push_back(answer); }
    // Answers of openFile, saveFile and openPicture; an empty path plays a
    // cancelled dialog.
    void queuePath(const QString& path) { paths_.push_back(path); }
    // Answers of the several-pictures dialog; an empty list plays a cancel.
    void queuePaths(const QStringList& paths) { pathLists_.push_back(paths); }
    // Answers of the colour dialog; an invalid colour plays a cancel.
    void queueColor(const QColor& color) { colors_.push_back(color); }

    std::optional<Prompter::Answer> nextAnswer() { return take(answers_); }
    std::optional<QString> nextPath() { return take(paths_); }
    std::optional<QStringList> nextPaths() { return take(pathLists_); }
    std::optional<QColor> nextColor() { return take(colors_); }

    bool empty() const { return answers_.empty() && paths_.empty() && pathLists_.empty() && colors_.empty(); }
    void clear() {
        answers_.clear();
        paths_.clear();
        pathLists_.clear();
        colors_.clear();
    }

private:
    template <typename T>
    static std::optional<T> take(std::deque<T>& queue) {
        if (queue.empty()) return std::nullopt;
        T front = std::move(queue.front());
        queue.pop_front();
        return front;
    }

    std::deque<Prompter::Answer> answers_;
    std::deque<QString> paths_;
    std::deque<QStringList> pathLists_;
    std::deque<QColor> colors_;
};

}  // namespace marivel
