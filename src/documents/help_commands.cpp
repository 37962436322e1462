#include "documents/help_commands.h"

#include <QDir>

#include "documents/about_form.h"
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
    : host_(host), frmHelp_(new TfrmHelp(host.SystemShell(), host.DialogParent())) {}

HelpCommands::~HelpCommands() {
    delete frmHelp_.data();
}

QString HelpCommands::ShippedFile(const char* folder, const QString& name) const {
    return QDir(toQt(host_.Agent().ShippedFolder().string())).filePath(QLatin1String(folder)) +
           QLatin1Char('/') + name;
}

// The shell's answer is not looked at: a missing page or browser shows as
// whatever the desktop shows for it.
void HelpCommands::Topic1Click() {
    host_.SystemShell().openDocument(ShippedFile("help", QStringLiteral("index.html")));
}

void HelpCommands::ViewSample1Click() {
    host_.SystemShell().openDocument(ShippedFile("samples", QStringLiteral("index.html")));
}

void HelpCommands::Homepage1Click() {
    host_.SystemShell().openDocument(toQt(kProductPage));
}

void HelpCommands::ContactUs1Click() {
    host_.SystemShell().openDocument(toQt(kSupportPage));
}

void HelpCommands::About1Click() {
    TformAbout about(host_.SystemShell(), host_.DialogParent());
    about.exec();
}

void HelpCommands::SpeedButton1Click(int tag) {
    frmHelp_->Navigate(PathToFileUrl(ShippedFile("help", HelpPageForTag(tag))));
    frmHelp_->show();
    frmHelp_->raise();
    frmHelp_->activateWindow();
}

}  // namespace marivel
