// The editor's half of the browser test of the preview
// (preview_in_browser.test.js), which names a folder in MARIVEL_PREVIEW_HANDOFF:
// a project of real photos is opened in the editor and previewed with a
// recording browser; the test then opens the page that browser was handed in
// Chromium. Not a test of its own, so CTest does not list it.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "documents/launch_recorder.h"
#include "editor/main_actions.h"
#include "editor/main_window.h"
#include "platform/memory_settings_store.h"
#include "platform/shell.h"
#include "support/scripted_prompter.h"
#include "support/test_jpeg.h"

namespace marivel::test {
namespace {

TEST(PreviewHandOff, PreviewsAProjectOfRealPhotos) {
    const QByteArray handoff = qgetenv("MARIVEL_PREVIEW_HANDOFF");
    ASSERT_FALSE(handoff.isEmpty()) << "MARIVEL_PREVIEW_HANDOFF must name a folder";
    const fs::path base(handoff.toStdString());
    const fs::path program = base / "program folder";
    fs::create_directories(program);
    fs::copy_file(fs::path(QCoreApplication::applicationDirPath().toStdString()) / "tessaline.js",
                  program / "tessaline.js", fs::copy_options::overwrite_existing);

    // The project: three photos of different shapes, saved as the editor does.
    DocumentAgent writer(base);
    writer.ResetProject();
    const std::pair<int, int> sizes[] = {{400, 300}, {300, 400}, {400, 200}};
    fs::create_directories(base / "photos");
    for (int i = 0; i < 3; ++i) {
        const auto [w, h] = sizes[i];
        JpegRecipe recipe;
        recipe.width = w;
        recipe.height = h;
        recipe.pixel = [i, w, h](int x, int y) {
            return Rgb{(x * 255 / w + 80 * i) % 256, y * 255 / h, 60 * i};
        };
        const fs::path source = base / "photos" / ("photo " + std::to_string(i) + ".jpg");
        WriteJpeg(source, recipe);
        SliderItem item = DocumentAgent::MakeNewItem();
        item.OriginalImagePath = source.string();
        item.Link = "http://example.com/" + std::to_string(i);
        item.Target = "_blank";
        item.ToolTip = "Photo " + std::to_string(i + 1);
        item.Level = "0";
        writer.Items.push_back(item);
    }
    writer.SaveProject(base / "Slider.mvl");

    const fs::path record = base / "launched.txt";
    WriteRecorder(base / "browser", record);
    MemorySettingsStore settings;
    ChooseOwnProgram(settings, base / "browser");
    ScriptedPrompter prompter;
    DesktopShell shell;
    MainWindowOptions options;
    options.programFolder = program;
    options.registerFileType = false;
    options.browsers = {};
    MainWindow form(prompter, settings, shell, options);
    form.show();
    form.openProjectByPath(QString::fromStdString((base / "Slider.mvl").string()));
    form.mainActions().previewAction->trigger();
    EXPECT_TRUE(prompter.asked().empty());
    const auto lines = WaitForRecord(record);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], (program / "preview" / "~preview.html").string());
}

}  // namespace
}  // namespace marivel::test
