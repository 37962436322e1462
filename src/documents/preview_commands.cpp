#include "documents/preview_commands.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "documents/browser_choice_dialog.h"
#include "documents/document_commands.h"
#include "documents/document_host.h"
#include "documents/document_places.h"
#include "documents/html_code_window.h"
#include "documents/publish_report_dialog.h"
#include "model/text_file.h"
#include "output/generated_files.h"
#include "output/page_insertion.h"
#include "output/publish_checks.h"
#include "output/publish_plan.h"
#include "output/publishing_agent.h"
#include "output/scratch_folder.h"
#include "output/source_images.h"
#include "platform/local_text.h"
#include "platform/prompter.h"
#include "platform/shell.h"

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

PreviewCommands::PreviewCommands(DocumentHost& host, DocumentCommands& documents, BrowserLocations browsers)
    : host_(host),
      documents_(documents),
      browsers_(std::move(browsers)),
      htmlCodeWindow_(new HtmlCodeWindow(host.dialogParent())) {
    QObject::connect(htmlCodeWindow_, &HtmlCodeWindow::insertIntoPageRequested, htmlCodeWindow_,
                     [this] { insertIntoPage(); });
}

bool PreviewCommands::buildHtmlCode() {
    if (host_.projectTree().count() < 2) {
        host_.prompts().error(host_.dialogParent(), kNoItemMessage);
        return false;
    }
    host_.commitPages();
    ScratchFolder scratch;
    const fs::path page = scratch.path() / kBuildPage;
    host_.documentAgent().MakeHTMLCodes(page, host_.projectTree());
    htmlCodeWindow_->memo()->setPlainText(toText(ReadTextLines(page)));
    takePageCode();
    return true;
}

void PreviewCommands::takePageCode() {
    const PublishingAgent& agent = host_.documentAgent();
    headLines_ = PageHeadCodeLines(agent.EngineFiles);
    divLines_ = PageDivLines(AdjustBorders(agent.AppletData), agent.Items);
    htmlCodeWindow_->setPageCode(toText(headLines_), toText(divLines_));
}

QString PreviewCommands::askForPage(QWidget* parent) {
    const QString projectFile = host_.currentFileName();
    fs::path folder;
    if (!projectFile.isEmpty()) {
        folder = toLocalPath(QFileInfo(projectFile).absolutePath());
    } else {
        const PublishingAgent& agent = host_.documentAgent();
        folder = SiteFolderOfPictures(agent.Items, agent.ProjectFolder);
    }
    // The site's home page is the usual choice: chosen already, Enter takes it.
    const fs::path index = folder.empty() ? fs::path() : IndexPageIn(folder);
    const fs::path start = index.empty() ? folder : index;
    return host_.prompts().openFile(parent, QStringLiteral("Insert into Page"),
                                    QStringLiteral("Web pages (*.html *.htm);;Any file (*)"),
                                    toQt(start.string()));
}

QString PreviewCommands::insertInto(const QString& chosen) {
    const fs::path page = toLocalPath(chosen);
    const QString name = QDir::toNativeSeparators(chosen);
    QString text;
    if (InsertIntoPageFile(page, headLines_, divLines_) == PageInsertResult::Unchanged) {
        text = QStringLiteral("\"%1\" already holds this slider; nothing was changed.").arg(name);
    } else {
        text = QStringLiteral("The slider was inserted into \"%1\". The page as it was is kept in \"%2\".")
                   .arg(name, QDir::toNativeSeparators(toQt(PageBackupPath(page).string())));
    }
    // The page names the scripts beside itself; without them it shows nothing.
    std::error_code ec;
    if (!fs::exists(page.parent_path() / kConfigScriptFile, ec))
        text += QStringLiteral(
                    " Its folder holds no published slider yet: save the project into \"%1\", "
                    "so the scripts and pictures lie beside the page.")
                    .arg(folderText(page.parent_path()));
    return text;
}

void PreviewCommands::insertIntoSitePage() {
    if (!buildHtmlCode()) return;
    const QString chosen = askForPage(host_.dialogParent());
    if (chosen.isEmpty()) return;
    // The page loads the scripts and pictures from its own folder: they are
    // published there first, and nothing is inserted when that save is
    // cancelled.
    switch (documents_.saveBeside(QFileInfo(chosen).absolutePath())) {
        case DocumentCommands::SaveBeside::NotSaved:
            return;
        case DocumentCommands::SaveBeside::Saved:
            // The <div> names the pictures the save published.
            takePageCode();
            break;
        case DocumentCommands::SaveBeside::AlreadySaved:
            // The build's code stands: committing the pages again has left
            // the shown item without its prepared picture until the next
            // generation, so the model is not read again.
            break;
    }
    host_.showResult(insertInto(chosen));
}

void PreviewCommands::insertIntoPage() {
    host_.runGuarded([this] {
        const QString chosen = askForPage(htmlCodeWindow_);
        if (chosen.isEmpty()) return;
        host_.prompts().information(htmlCodeWindow_, QStringLiteral("Insert into Page"), insertInto(chosen));
    });
}

void PreviewCommands::showHtmlCode() {
    buildHtmlCode();
    htmlCodeWindow_->exec();
}

void PreviewCommands::previewInBrowser() {
    if (!buildHtmlCode()) return;
    PublishingAgent& agent = host_.documentAgent();
    // This editor's own folder, never one another editor writes to.
    const fs::path work = agent.WorkFolder();
    agent.CopyEngineFilesToPreview(work);
    agent.CopyResourceFiles(work);
    const fs::path page = work / kPreviewPage;
    WriteTextLines(page, toLines(htmlCodeWindow_->memo()->toPlainText()));
    agent.CopyToPreview(page);
    std::error_code ignored;
    fs::remove(page, ignored);

    BrowserChoiceDialog browser(host_.settingsStore(), host_.prompts(), host_.systemShell(), browsers_,
                                host_.dialogParent());
    // Nothing else would tell the user that no browser is coming: a browser
    // that is not there, or that quits at once with an error, is named.
    Shell& shell = host_.systemShell();
    Prompter& prompts = host_.prompts();
    QWidget* parent = host_.dialogParent();
    shell.watchLaunches(htmlCodeWindow_, [&prompts, parent](const QString& message) {
        prompts.error(parent, message, QString());
    });
    const bool started =
        browser.launchBrowser(folderText(agent.PreviewFolder()), QLatin1String(kPreviewPage));
    shell.watchLaunches(nullptr, {});
    if (!started) {
        agent.Display().setHint(fromQt(kBrowserNotStarted));
        prompts.error(parent, kBrowserNotStarted.chopped(1) + QStringLiteral(": ") +
                                  browser.launchCommandText(folderText(agent.PreviewFolder()),
                                                            QLatin1String(kPreviewPage)) +
                                  QLatin1Char('.'));
    }
}

void PreviewCommands::showPublishReport() {
    host_.commitPages();
    PublishingAgent& agent = host_.documentAgent();
    {
        // The report lists what the next save publishes. The records only
        // know the prepared names of the last build, and an item committed
        // since knows none: the names are taken from the save's own plan,
        // so every item is listed whatever was clicked or built.
        const QString file =
            host_.currentFileName().isEmpty() ? QStringLiteral("Untitled.mvl") : host_.currentFileName();
        const PublishPlan plan = PlanPublish(agent, host_.projectTree(), toLocalPath(file));
        const bool doubled = agent.Quality.density == Density::Double;
        SliderItemList planned = agent.Items;
        for (std::size_t k = 0; k < planned.size(); ++k) {
            if (k >= plan.preparedAgain.size() || !plan.preparedAgain[k]) continue;
            planned[k].ImageFile = PreparedImageName(int(k));
            planned[k].DoubleImageFile = doubled ? DoubleDensityImageName(int(k)) : std::string();
        }
        std::swap(planned, agent.Items);
        struct PutBack {
            SliderItemList& a;
            SliderItemList& b;
            ~PutBack() { std::swap(a, b); }
        } putBack{planned, agent.Items};
        ScratchFolder scratch;
        agent.MakePublishReport(scratch.path(), kReportFile);
        agent.CopyToPreview(scratch.path() / kReportFile);
    }
    PublishReportDialog dialog(host_.dialogParent());
    dialog.memo()->setPlainText(toText(ReadTextLines(agent.PreviewFolder() / kReportFile)));
    // The checks only tell; nothing they find stops a save.
    dialog.setChecks(
        CheckBeforePublishing(agent.AppletData, agent.Items, agent.ProjectFolder, agent.PreviewFolder()));
    QObject::connect(&dialog, &PublishReportDialog::itemChosen, &dialog,
                     [this](int item) { host_.selectItem(item); });
    dialog.exec();
}

void PreviewCommands::chooseWebBrowser() {
    BrowserChoiceDialog dialog(host_.settingsStore(), host_.prompts(), host_.systemShell(), browsers_,
                               host_.dialogParent());
    dialog.exec();
}

}  // namespace marivel
