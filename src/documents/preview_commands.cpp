#include "documents/preview_commands.h"

#include <QDir>
#include <QPlainTextEdit>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "documents/document_host.h"
#include "documents/html_window.h"
#include "documents/publish_report_dialog.h"
#include "documents/web_browser_dialog.h"
#include "model/text_file.h"
#include "output/publishing_agent.h"
#include "output/scratch_folder.h"
#include "platform/local_text.h"
#include "platform/prompter.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

// The page of a build and the report of Publish pass through a private
// scratch folder, never the working directory, where they could replace and
// then delete a user's file of the same name.
constexpr const char* kBuildPage = "~tmp0001.txt";
constexpr const char* kReportFile = "PublishReport.txt";
constexpr const char* kPreviewPage = "~preview.html";

// Text files hold bytes in the system code page; the windows show QStrings.
QString toText(const std::vector<std::string>& lines) {
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += QLatin1Char('\n');
        text += toQt(lines[i]);
    }
    return text;
}

std::vector<std::string> toLines(const QString& text) {
    std::vector<std::string> lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(fromQt(line));
    return lines;
}

QString folderText(const fs::path& folder) {
    return QDir::toNativeSeparators(toQt(folder.string())) + QDir::separator();
}

}  // namespace

PreviewCommands::PreviewCommands(DocumentHost& host, BrowserLocations browsers)
    : host_(host), browsers_(std::move(browsers)), formHTML_(new TformHTML(host.DialogParent())) {}

bool PreviewCommands::BuildHTMLCode() {
    if (host_.ProjectTree().count() < 2) {
        host_.Prompts().error(host_.DialogParent(), kNoItemMessage);
        return false;
    }
    host_.CommitPanes();
    ScratchFolder scratch;
    const fs::path page = scratch.path() / kBuildPage;
    host_.Agent().MakeHTMLCodes(page, host_.ProjectTree());
    formHTML_->memo()->setPlainText(toText(ReadTextLines(page)));
    return true;
}

void PreviewCommands::BuildHTML1Click() {
    BuildHTMLCode();
    formHTML_->exec();
}

void PreviewCommands::Preview1Click() {
    if (!BuildHTMLCode()) return;
    PublishingAgent& agent = host_.Agent();
    // This editor's own folder, never one another editor writes to.
    const fs::path work = agent.WorkFolder();
    agent.CopyEngineFilesToPreview(work);
    agent.CopyResourceFiles(work);
    const fs::path page = work / kPreviewPage;
    WriteTextLines(page, toLines(formHTML_->memo()->toPlainText()));
    agent.CopyToPreview(page);
    std::error_code ignored;
    fs::remove(page, ignored);

    TformWebBrowser browser(host_.Settings(), host_.Prompts(), host_.SystemShell(), browsers_,
                            host_.DialogParent());
    // Nothing else would tell the user that no browser is coming.
    if (!browser.LaunchBrowser(folderText(agent.PreviewFolder()), QLatin1String(kPreviewPage)))
        agent.Display().setHint(fromQt(kBrowserNotStarted));
}

void PreviewCommands::Publish1Click() {
    host_.CommitPanes();
    {
        ScratchFolder scratch;
        host_.Agent().MakePublishReport(scratch.path(), kReportFile);
        host_.Agent().CopyToPreview(scratch.path() / kReportFile);
    }
    TfrmPublishReport dialog(host_.DialogParent());
    dialog.memo()->setPlainText(toText(ReadTextLines(host_.Agent().PreviewFolder() / kReportFile)));
    dialog.exec();
}

void PreviewCommands::WebBrowser1Click() {
    TformWebBrowser dialog(host_.Settings(), host_.Prompts(), host_.SystemShell(), browsers_,
                           host_.DialogParent());
    dialog.exec();
}

}  // namespace marivel
