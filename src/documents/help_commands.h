#pragma once

#include <QPointer>
#include <QString>
#include <filesystem>

#include "documents/help_window.h"

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

    void Topic1Click();
    void ViewSample1Click();
    void Homepage1Click();
    void ContactUs1Click();
    void About1Click();
    // The click of a group help button, by its tag.
    void SpeedButton1Click(int tag);

    TfrmHelp& HelpWindow() const { return *frmHelp_; }

private:
    QString ShippedFile(const char* folder, const QString& name) const;

    DocumentHost& host_;
    // Owned by owner as its child window; let go of here when the commands go first.
    QPointer<TfrmHelp> frmHelp_;
};

}  // namespace marivel
