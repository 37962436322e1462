// Finding the browsers installed on this machine: the search path first,
// then the usual install places, in a fixed order, each browser once.
#include <gtest/gtest.h>

#include "documents/browser_test_support.h"
#include "platform/memory_settings_store.h"
#include "support/qt_printers.h"

namespace marivel::test {
namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

TEST(BrowserDetection, FindsInstalledBrowsersInTheirOrderWithTheirPaths) {
    TempDir dir;
    const fs::path a = dir / "a", b = dir / "b", c = dir / "c", root = dir / "root";
    MakeProgram(a / "firefox", false);  // not executable: looked past
    MakeProgram(a / "konqueror");
    MakeProgram(a / "google-chrome-stable");
    fs::create_directories(a / "opera");  // a folder is no program
    MakeProgram(b / "firefox");
    MakeProgram(b / "chromium-browser");
    fs::create_symlink(b / "firefox", b / "firefox-esr");   // the same program under a second name
    MakeProgram(c / "chromium");                            // the first name wins over an earlier folder
    MakeProgram(root / "opt/google/chrome/google-chrome");  // the search path wins over the install place
    MakeProgram(root / "opt/vivaldi/vivaldi");
    MakeProgram(root / "opt/microsoft/msedge/msedge", false);
    MakeProgram(root / "usr/local/bin/epiphany");
    MakeProgram(root / "usr/bin/falkon");

    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (Q(a) + ":relative/bin::" + Q(b) + ":" + Q(c)).toLocal8Bit());
    BrowserLocations where = BrowserLocations::fromEnvironment();
    qputenv("PATH", path);
    EXPECT_EQ(where.searchPath, (QStringList{Q(a), Q(b), Q(c)}));
    EXPECT_EQ(where.root, "/");
    where.root = Q(root);
    MemorySettingsStore registry;
    const std::vector<BrowserNameAndPath> expected = {
        {"Firefox", Q(b / "firefox")},
        {"Chromium", Q(c / "chromium")},
        {"Google Chrome", Q(a / "google-chrome-stable")},
        {"Vivaldi", Q(root / "opt/vivaldi/vivaldi")},
        {"GNOME Web", Q(root / "usr/local/bin/epiphany")},
        {"Falkon", Q(root / "usr/bin/falkon")},
        {"Konqueror", Q(a / "konqueror")},
    };
    EXPECT_EQ(DetectBrowsers(registry, where), expected);

    // Detection alone lists the second name too; only the merged list drops it.
    const auto installed = DetectInstalledBrowsers(where);
    ASSERT_EQ(installed.size(), expected.size() + 1);
    EXPECT_EQ(installed[1], (BrowserNameAndPath{"Firefox ESR", Q(b / "firefox-esr")}));

    // Without a root only the search path counts.
    where.root.clear();
    const std::vector<BrowserNameAndPath> onPath = {
        {"Firefox", Q(b / "firefox")},
        {"Chromium", Q(c / "chromium")},
        {"Google Chrome", Q(a / "google-chrome-stable")},
        {"Konqueror", Q(a / "konqueror")},
    };
    EXPECT_EQ(DetectBrowsers(registry, where), onPath);
    EXPECT_TRUE(DetectBrowsers(registry, BrowserLocations{}).empty());
}

TEST(BrowserDetection, SearchPathKeepsOnlyAbsoluteFolders) {
    struct Row {
        QString path;
        QStringList folders;
    };
    const Row rows[] = {
        {"/usr/local/bin:/usr/bin", {"/usr/local/bin", "/usr/bin"}},
        {"", {}},
        {":/usr/bin::", {"/usr/bin"}},  // empty entries mean the current folder
        {".:bin:/opt/b r/bin", {"/opt/b r/bin"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BrowserLocations::splitSearchPath(row.path), row.folders) << row.path.toStdString();
}

}  // namespace
}  // namespace marivel::test
