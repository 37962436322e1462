// The image quality choice as the user makes it: the Option menu's dialog,
// what it stores, that the stored choice reads the same without Qt (as
// marivel-publish reads it), and what Preview then makes of it.
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "documents/image_quality_dialog.h"
#include "documents/preview_fixture.h"
#include "platform/ini_settings_store.h"

namespace marivel::test {
namespace {

using Hive = SettingsStore::Hive;

const ImageQuality kChoices[] = {{ResizeMode::Exact, Density::Single},
                                 {ResizeMode::Smooth, Density::Single},
                                 {ResizeMode::Exact, Density::Double},
                                 {ResizeMode::Smooth, Density::Double}};

std::string Name(const ImageQuality& q) {
    return ResizeModeName(q.resize) + " " + std::to_string(static_cast<int>(q.density)) + "x";
}

QRadioButton* Button(QWidget* dialog, const char* name) {
    return dialog->findChild<QRadioButton*>(name);
}

ImageQuality Ticked(QWidget* dialog) {
    return {Button(dialog, "rdbtnResizeSmooth")->isChecked() ? ResizeMode::Smooth : ResizeMode::Exact,
            Button(dialog, "rdbtnDensityDouble")->isChecked() ? Density::Double : Density::Single};
}

void Tick(QWidget* dialog, const ImageQuality& q) {
    Button(dialog, q.resize == ResizeMode::Smooth ? "rdbtnResizeSmooth" : "rdbtnResizeExact")->click();
    Button(dialog, q.density == Density::Double ? "rdbtnDensityDouble" : "rdbtnDensitySingle")->click();
}

// Each choice, ticked and stored with OK, comes back in the dialog, from
// the store, and from the settings file read the way marivel-publish reads
// it; Cancel stores nothing.
TEST(ImageQualityDialog, OkStoresTheChoiceForTheEditorAndTheCommandLineAlike) {
    QTemporaryDir folder;
    IniSettingsStore settings(folder.path());
    const std::filesystem::path file = settings.fileOf(Hive::CurrentUser).toStdString();
    {
        ImageQualityDialog fresh(settings);
        EXPECT_EQ(Ticked(&fresh), ImageQuality{});
    }
    for (const ImageQuality& q : kChoices) {
        SCOPED_TRACE(Name(q));
        {
            ImageQualityDialog dialog(settings);
            Tick(&dialog, q);
            dialog.findChild<QPushButton*>("bitbtnOk")->click();
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
        }
        EXPECT_EQ(LoadImageQuality(settings), q);
        EXPECT_EQ(ReadStoredImageQuality(file), q);
        ImageQualityDialog again(settings);
        EXPECT_EQ(Ticked(&again), q);
        Tick(&again, q.resize == ResizeMode::Smooth ? kChoices[0] : kChoices[3]);
        again.findChild<QPushButton*>("bitbtnCancel")->click();
        EXPECT_EQ(LoadImageQuality(settings), q);
    }
}

// The menu entry sits after Web Browser; its choice rules the next Preview.
TEST_F(PreviewTest, TheOptionMenuChoiceRulesTheNextPreview) {
    QStringList option;
    for (QAction* menu : form->menuBar()->actions())
        if (menu->text() == "&Option")
            for (QAction* entry : menu->menu()->actions()) option << entry->text();
    EXPECT_EQ(option, (QStringList{"Web &Browser...", "Image &Quality...", "Web &Server..."}));

    QString caption;
    const int shown = WithModalWindows([&] { actions().ImageQuality1->trigger(); },
                                       [&](QWidget* w) {
                                           caption = w->windowTitle();
                                           Tick(w, kChoices[3]);
                                           w->findChild<QPushButton*>("bitbtnOk")->click();
                                       });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(caption, "Image Quality");
    EXPECT_EQ(LoadImageQuality(settings), kChoices[3]);
    EXPECT_EQ(form->editor().documentAgent().Quality, kChoices[3]);

    addItem(photo("big.jpg", 1000, 750));
    actions().previewAction->trigger();
    EXPECT_EQ(ReadJpeg(preview() / "slider0@2x.jpg").width, 336);
    EXPECT_NE(ReadBytes(preview() / "tessalinecfg.js").find(",168,126,'slider0@2x.jpg']);"),
              std::string::npos);
}

}  // namespace
}  // namespace marivel::test
