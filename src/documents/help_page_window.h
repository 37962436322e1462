#pragma once

#include <QDialog>
#include <QUrl>

class QTextBrowser;

namespace marivel {

class Shell;

// The help window: a small tool window at its own place on the screen,
// created hidden at start and kept for the whole run. Closing it only hides
// it; the next help button shows it again, where it was, with the new page.
class HelpPageWindow final : public QDialog {
    Q_OBJECT
public:
    explicit HelpPageWindow(Shell& shell, QWidget* parent = nullptr);
    QTextBrowser* browser() const { return pageView; }

    // Loads the page a URL names. A file URL is taken as "file://" followed
    // by the path exactly as it stands (blanks, "#", "%" and letters beyond
    // ASCII included), as the help buttons make them.
    void navigate(const QString& url);
    // The page shown, as a local file URL.
    QUrl source() const;

private:
    // Help pages open in the window; addresses, pictures shown alone and the
    // live sample open with the desktop's programs.
    void followLink(const QUrl& link);

    Shell& shell_;
    QTextBrowser* pageView;
};

}  // namespace marivel
