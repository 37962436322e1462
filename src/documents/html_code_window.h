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

    // The two pieces a site's own page needs of the last build: the head
    // code (stylesheet link and script lines) and the slider's <div>. The
    // buttons that copy or insert them work once a build has set them.
    void setPageCode(const QString& headCode, const QString& divCode);
    const QString& headCode() const { return headCode_; }
    const QString& divCode() const { return divCode_; }
    void copyHeadCode();
    void copyDiv();

signals:
    // "Insert into Page..." was chosen; the owner asks for the page.
    void insertIntoPageRequested();

private:
    QPlainTextEdit* codeText;
    QPushButton* okButton;
    QPushButton* copyButton;
    QPushButton* insertButton;
    QPushButton* copyHeadButton;
    QPushButton* copyDivButton;
    QString headCode_;
    QString divCode_;
};

}  // namespace marivel
