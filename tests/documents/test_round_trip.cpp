// A user's round trip: build a slider from real photos, save it, start anew
// and come back to it through the recent-files menu.
#include "documents/documents_fixture.h"
#include "support/test_jpeg.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

TEST_F(DocumentsTest, SaveNewAndTheRecentFilesMenuBringBackTheSameProject) {
    fs::create_directory(program() / "photos");
    fs::create_directory(program() / "site");
    const Rgb colours[] = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200}};
    for (int i = 0; i < 3; ++i) {
        JpegRecipe recipe;
        recipe.width = 336;
        recipe.height = 240 + 24 * i;
        recipe.pixel = [c = colours[i]](int, int) { return c; };
        WriteJpeg(program() / "photos" / ("photo" + std::to_string(i) + ".jpg"), recipe);
        actions().insertAction->trigger();
    }
    for (int i = 0; i < 3; ++i) {
        select(root()->child(i));
        edit("edtOriginalImagePath")->setText(path(QStringLiteral("photos/photo%1.jpg").arg(i)));
        edit("edt_IToolTip")->setText(QStringLiteral("Photo %1").arg(i));
    }
    type("Trip");
    const QString saved = path("site/My Slider.mvl");
    prompter.queuePath(saved);
    actions().saveAction->trigger();
    ASSERT_EQ(prompter.count(Kind::Error), 0);

    actions().newAction->trigger();
    ASSERT_TRUE(items().empty());
    ASSERT_EQ(recentCaptions(), QStringList{"&1 " + saved});
    actions().recentFilesSubmenu->actions().first()->trigger();

    EXPECT_EQ(form->editor().currentFileName(), saved);
    EXPECT_FALSE(form->editor().isModified());
    EXPECT_EQ(slider(), "Trip");
    ASSERT_EQ(nodes().count(), 4);
    for (int i = 0; i < 3; ++i) {
        select(root()->child(i));
        EXPECT_EQ(edit("edt_IToolTip")->text(), QStringLiteral("Photo %1").arg(i));
        EXPECT_EQ(edit("edtOriginalImagePath")->text(), path(QStringLiteral("photos/photo%1.jpg").arg(i)));
        // Published beside the project at the slider's width, and back in
        // the preview folder for the next save.
        const std::string image = "slider" + std::to_string(i) + ".jpg";
        const DecodedJpeg published = ReadJpeg(program() / "site" / image);
        EXPECT_EQ(published.width, 168);
        EXPECT_EQ(published.height, (240 + 24 * i) / 2);
        EXPECT_EQ(published.at(84, 10).r > 128, i == 0);
        EXPECT_EQ(ReadBytes(program() / "preview" / image), ReadBytes(program() / "site" / image));
    }
    for (const char* name : {"My Slider.html", "My Slider_PublishReport.txt", "tessaline.js",
                             "tessalinecfg.js", "tessaline.css"})
        EXPECT_TRUE(fs::exists(program() / "site" / name)) << name;
    EXPECT_EQ(prompter.count(Kind::Error), 0);
}

}  // namespace
}  // namespace marivel::test
