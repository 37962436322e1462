#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace marivel {

// The HTML code window: created hidden at start and kept for the whole run,
// so the page of the last build stays in it from one build to the next. It is
// only ever shown modally by Build HTML.
class HtmlCodeWindow final : public QDialog {
    Q_OBJECT
public:
    explicit HtmlCodeWindow(QWidget* parent = nullptr);
    QPlainTextEdit* memo() const { return codeText; }

    // Copies the whole text, whatever part of it is selected.
    void copyAllText();

private:
    QPlainTextEdit* codeText;
    QPushButton* okButton;
    QPushButton* copyButton;
};

}  // namespace marivel
