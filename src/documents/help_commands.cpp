#include "documents/help_commands.h"

#include <QDir>

#include "documents/about_form.h"
#include "documents/help_topic.h"
#include "output/generated_files.h"
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

HelpCommands::HelpCommands(std::filesystem::path programFolder, Shell& shell, QWidget* owner)
    : programFolder_(std::move(programFolder)),
      shell_(shell),
      owner_(owner),
      frmHelp_(new TfrmHelp(shell, owner)) {}

HelpCommands::~HelpCommands() {
    delete frmHelp_.data();
}

QString HelpCommands::ShippedFile(const char* folder, const QString& name) const {
    return QDir(toQt(programFolder_.string())).filePath(QLatin1String(folder)) + QLatin1Char('/') + name;
}

// The shell's answer is not looked at: a missing page or browser shows as
// whatever the desktop shows for it.
void HelpCommands::Topic1Click() {
    shell_.openDocument(ShippedFile("help", QStringLiteral("index.html")));
}

void HelpCommands::ViewSample1Click() {
    shell_.openDocument(ShippedFile("samples", QStringLiteral("index.html")));
}

void HelpCommands::Homepage1Click() {
    shell_.openDocument(toQt(kProductPage));
}

void HelpCommands::ContactUs1Click() {
    shell_.openDocument(toQt(kSupportPage));
}

void HelpCommands::About1Click() {
    TformAbout about(shell_, owner_);
    about.exec();
}

void HelpCommands::SpeedButton1Click(int tag) {
    frmHelp_->Navigate(PathToFileUrl(ShippedFile("help", HelpPageForTag(tag))));
    frmHelp_->show();
    frmHelp_->raise();
    frmHelp_->activateWindow();
}

}  // namespace marivel
