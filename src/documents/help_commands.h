#pragma once

#include <QPointer>
#include <QString>
#include <filesystem>

#include "documents/help_page_window.h"

class QWidget;

namespace marivel {

class DocumentHost;

// The help page a group help button shows, by the button's tag (a
// HelpTopic); any tag without a button of its own gets the first steps.
QString HelpPageForTag(int tag);

// The Help menu, the help tool button, the group help buttons of the pages
// and the About box. The help index and the samples open in the desktop's
// browser; a group's page opens in the help window, which is made here,
// hidden, and kept for the whole run.
class HelpCommands {
public:
    // The commands reach the window through host, as the document commands
    // do: its agent's shipped folder holds the help and samples, its dialog
    // parent owns the help window and the About box.
    explicit HelpCommands(DocumentHost& host);
    ~HelpCommands();
    HelpCommands(const HelpCommands&) = delete;
    HelpCommands& operator=(const HelpCommands&) = delete;

    void showHelpTopics();
    void viewSample();
    void openHomepage();
    void openContactPage();
    void showAbout();
    // The click of a group help button, by its tag.
    void showGroupHelp(int tag);

    HelpPageWindow& helpPageWindow() const { return *helpPageWindow_; }

private:
    QString shippedFile(const char* folder, const QString& name) const;

    DocumentHost& host_;
    // Owned by owner as its child window; let go of here when the commands go first.
    QPointer<HelpPageWindow> helpPageWindow_;
};

}  // namespace marivel
