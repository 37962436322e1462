#pragma once

#include <QDialog>

class QPlainTextEdit;
class QTextBrowser;

namespace marivel {

// The HTML code window: created hidden at start and kept for the whole run,
// so the text of the last build stays. The Build HTML command that fills and
// shows it comes with the preview work; until then it is the bare window.
class TformHTML final : public QDialog {
    Q_OBJECT
public:
    explicit TformHTML(QWidget* parent = nullptr);
    QPlainTextEdit* memo() const { return memoHTMLBuild; }

private:
    QPlainTextEdit* memoHTMLBuild;
};

// The help window: created hidden at start and kept; closing only hides it.
// Navigation to the help pages comes with the help commands.
class TfrmHelp final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmHelp(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return WebBrowser1; }

private:
    QTextBrowser* WebBrowser1;
};

}  // namespace marivel
