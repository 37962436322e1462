#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace marivel {

// The HTML code window: created hidden at start and kept for the whole run,
// so the page of the last build stays in it from one build to the next. It is
// only ever shown modally by Build HTML.
class TformHTML final : public QDialog {
    Q_OBJECT
public:
    explicit TformHTML(QWidget* parent = nullptr);
    QPlainTextEdit* memo() const { return memoHTMLBuild; }

    // Copies the whole text, whatever part of it is selected.
    void Button2Click();

private:
    QPlainTextEdit* memoHTMLBuild;
    QPushButton* Button1;
    QPushButton* Button2;
};

}  // namespace marivel
