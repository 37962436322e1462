#include "documents/help_commands.h"

#include <QDir>

#include "documents/about_dialog.h"
#include "documents/document_host.h"
#include "documents/help_topic.h"
#include "output/generated_files.h"
#include "output/publishing_agent.h"
#include "platform/file_url.h"
#include "platform/local_text.h"
#include "platform/shell.h"

namespace marivel {

QString HelpPageForTag(int tag) {
    static const char* const pages[] = {
        "customizing_js_script_script_general.htm",
        "customizing_js_script_script_size.htm",
        "customizing_js_script_script_scrolling.htm",
        "customizing_js_script_script_distance.htm",
        "customizing_js_script_script_slider_border.htm",
        "customizing_js_script_script_image_border.htm",
        "customizing_js_script_path_path.htm",
        "customizing_js_item_general_original_image_path.htm",
        "customizing_js_item_general_link.htm",
        "customizing_js_item_general_tooltip.htm",
    };
    static_assert(std::size(pages) == static_cast<std::size_t>(HelpTopic::ToolTip));
    if (tag < 1 || tag > int(std::size(pages))) return QStringLiteral("getting_started.htm");
    return QLatin1String(pages[tag - 1]);
}

HelpCommands::HelpCommands(DocumentHost& host)
    : host_(host), helpPageWindow_(new HelpPageWindow(host.systemShell(), host.dialogParent())) {}

HelpCommands::~HelpCommands() {
    delete helpPageWindow_.data();
}

QString HelpCommands::shippedFile(const char* folder, const QString& name) const {
    return QDir(toQt(host_.documentAgent().ShippedFolder().string())).filePath(QLatin1String(folder)) +
           QLatin1Char('/') + name;
}

// The shell's answer is not looked at: a missing page or browser shows as
// whatever the desktop shows for it.
void HelpCommands::showHelpTopics() {
    host_.systemShell().openDocument(shippedFile("help", QStringLiteral("index.html")));
}

void HelpCommands::viewSample() {
    host_.systemShell().openDocument(shippedFile("samples", QStringLiteral("index.html")));
}

void HelpCommands::openHomepage() {
    host_.systemShell().openDocument(toQt(kProductPage));
}

void HelpCommands::openContactPage() {
    host_.systemShell().openDocument(toQt(kSupportPage));
}

void HelpCommands::showAbout() {
    AboutDialog about(host_.systemShell(), host_.dialogParent());
    about.exec();
}

void HelpCommands::showGroupHelp(int tag) {
    helpPageWindow_->navigate(PathToFileUrl(shippedFile("help", HelpPageForTag(tag))));
    helpPageWindow_->show();
    helpPageWindow_->raise();
    helpPageWindow_->activateWindow();
}

}  // namespace marivel
