#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "documents/browser_detection.h"

class QWidget;

namespace marivel {

class DocumentCommands;
class DocumentHost;
class HtmlCodeWindow;

// Build HTML, Preview, Publish and the choice of the preview browser. Owns
// the HTML code window, which is created hidden with the commands and lives
// as long as the owner window.
class PreviewCommands {
public:
    // The commands reach the window through host, as the document commands
    // do, and save through documents; browsers are where the preview browser
    // is looked for.
    PreviewCommands(DocumentHost& host, DocumentCommands& documents, BrowserLocations browsers);
    PreviewCommands(const PreviewCommands&) = delete;
    PreviewCommands& operator=(const PreviewCommands&) = delete;

    // Builds the page of the current project and puts its text into the HTML
    // code window. False, after telling the user, when the tree holds no
    // item: nothing is generated and the window keeps its text.
    bool buildHtmlCode();
    void showHtmlCode();
    // Builds, completes the preview folder and opens its page in the chosen
    // browser. With nothing to build it stops after the message, rather than
    // showing a page that is not the current project.
    void previewInBrowser();
    // Puts the head code and the slider's <div> of the last build into a page
    // of the user's site the user picks, keeping one backup of it, and tells
    // the result in a box: the HTML code window's button.
    void insertIntoPage();
    // Script > Insert into Page: builds without showing the HTML code window,
    // asks for the page, saves the project beside it first when the page
    // would not find the scripts and pictures there (untitled, elsewhere, or
    // with unsaved changes), inserts, and tells the result in the bottom line.
    void insertIntoSitePage();
    // Writes the report for the current model and shows it with the checks
    // before publishing; a double-click on a check selects its item.
    void showPublishReport();
    void chooseWebBrowser();

    HtmlCodeWindow& htmlCodeWindow() const { return *htmlCodeWindow_; }

    static inline const QString kNoItemMessage =
        QStringLiteral("No item to build. Please add item to left pane and try again.");
    static inline const QString kBrowserNotStarted = QStringLiteral("The web browser could not be started.");

private:
    // The open dialog for the page, starting in the project's folder (or,
    // untitled, the folder of the site its pictures lie in) with the index
    // page there chosen; empty when cancelled.
    QString askForPage(QWidget* parent);
    // Inserts the last build's code into page; the sentence that tells what
    // was done.
    QString insertInto(const QString& chosen);
    // Takes the head code and the <div> lines from the model as it stands.
    void takePageCode();

    DocumentHost& host_;
    DocumentCommands& documents_;
    BrowserLocations browsers_;
    HtmlCodeWindow* htmlCodeWindow_;  // owned by the host's dialog parent
    // The head code and the <div> lines of the last build, for Insert into Page.
    std::vector<std::string> headLines_;
    std::vector<std::string> divLines_;
};

}  // namespace marivel
