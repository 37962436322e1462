#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include "platform/file_type_registration.h"
#include "platform/memory_settings_store.h"
#include "platform/picture_dialog.h"
#include "platform/shell.h"
#include "support/qt_printers.h"

namespace marivel {
namespace {

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The per-user registration and the installed files name the same program,
// icon and type: one must not shadow the other with something else.
TEST(FileTypeRegistration, MatchesTheInstalledDesktopFilesButForTheProgramsPlace) {
    const QDir packaging(QStringLiteral(MARIVEL_SOURCE_DIR "/packaging"));
    QString installed = readText(packaging.filePath("marivel.desktop"));
    ASSERT_FALSE(installed.isEmpty());
    EXPECT_TRUE(installed.contains("\nExec=marivel %f\n"));
    installed.replace("\nExec=marivel %f\n", "\nExec=\"/usr/lib/marivel/marivel\" %f\n");
    EXPECT_EQ(FileTypeRegistration::desktopEntryText("/usr/lib/marivel/marivel"), installed);
    EXPECT_EQ(FileTypeRegistration::mimePackageText(), readText(packaging.filePath("marivel.xml")));
}

TEST(FileTypeRegistration, WritesDesktopEntryAndMimePackageForTheRunningProgram) {
    QTemporaryDir data;
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::blue);
    FileTypeRegistration r{"/opt/marivel/bin/marivel", data.path(), false, icon};
    ASSERT_TRUE(r.writeFreedesktop());
    const QImage installed(data.filePath("icons/hicolor/32x32/apps/marivel.png"));
    EXPECT_EQ(installed.size(), QSize(32, 32));
    EXPECT_TRUE(
        QFile::exists(data.filePath("icons/hicolor/32x32/mimetypes/application-x-marivel-project.png")));
    const QString entry = readText(data.filePath(kPortableEntryPath));
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/marivel/bin/marivel\" %f\n")) << entry.toStdString();
    EXPECT_TRUE(entry.contains("\nMimeType=application/x-marivel-project;\n"));
    const QString mime = readText(data.filePath("mime/packages/marivel.xml"));
    EXPECT_TRUE(mime.contains("<mime-type type=\"application/x-marivel-project\">"));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.mvl\"/>"));
}

TEST(FileTypeRegistration, EveryStartReplacesAnOlderProgramLocation) {
    QTemporaryDir data;
    ASSERT_TRUE((FileTypeRegistration{"/old/place/marivel", data.path(), false, {}}.writeFreedesktop()));
    ASSERT_TRUE((FileTypeRegistration{"/new place/marivel", data.path(), false, {}}.writeFreedesktop()));
    const QString entry = readText(data.filePath(kPortableEntryPath));
    EXPECT_FALSE(entry.contains("/old/place"));
    EXPECT_TRUE(entry.contains("Exec=\"/new place/marivel\" %f"));
}

TEST(FileTypeRegistration, UnwritableDataFolderReportsFailureWithoutThrowing) {
    QTemporaryDir data;
    QFile blocker(data.filePath("applications"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    FileTypeRegistration r{"/usr/bin/marivel", data.path(), false, {}};
    EXPECT_FALSE(r.writeFreedesktop());
    // What could be written still was.
    EXPECT_TRUE(QFile::exists(data.filePath("mime/packages/marivel.xml")));
    EXPECT_FALSE((FileTypeRegistration{"", data.path(), false, {}}.writeFreedesktop()));
}

TEST(FileTypeRegistration, ExecArgumentsAreQuotedAndEscaped) {
    const std::pair<QString, QString> rows[] = {
        {"/usr/bin/marivel", "\"/usr/bin/marivel\""},   {"/home/a b/marivel", "\"/home/a b/marivel\""},
        {"/x/\"q\"", "\"/x/\\\\\"q\\\\\"\""},           {"/x/$HOME`", "\"/x/\\\\$HOME\\\\`\""},
        {"/x/back\\slash", "\"/x/back\\\\\\\\slash\""},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(quoteExecArgument(in), out) << in.toStdString();
}

TEST(FileTypeRegistration, ClassesRootKeysNameTheExecutableAndStopAtTheFirstFailure) {
    using Hive = SettingsStore::Hive;
    MemorySettingsStore store;
    ASSERT_TRUE(
        store.writeString(Hive::ClassesRoot, "\\Marivel.Document\\shell\\open\\command", "", "old %1"));
    ASSERT_TRUE(writeClassesRootAssociation(store, "/opt/m/marivel"));
    const QString exe = QDir::toNativeSeparators("/opt/m/marivel");
    EXPECT_EQ(store.readString(Hive::ClassesRoot, "\\.mvl", "").value, "Marivel.Document");
    EXPECT_EQ(store.readString(Hive::ClassesRoot, "\\Marivel.Document", "").value, "Marivel.Document");
    EXPECT_EQ(store.readString(Hive::ClassesRoot, "\\Marivel.Document\\DefaultIcon", "").value, exe + ",0");
    EXPECT_EQ(store.readString(Hive::ClassesRoot, "\\Marivel.Document\\shell\\open\\command", "").value,
              exe + " %1");

    MemorySettingsStore failing;
    failing.setFailing(true);
    EXPECT_FALSE(writeClassesRootAssociation(failing, "/opt/m/marivel"));
    EXPECT_EQ(failing.valueCount(), 0);
}

TEST(Shell, TellsAddressesFromLocalPaths) {
    const std::pair<QString, bool> rows[] = {
        {"http://example.com/", true}, {"https://x", true},           {"file:///home/a/x.html", true},
        {"mailto:a@b.c", true},        {"/home/a/index.html", false}, {"C:\\web\\index.html", false},
        {"c:/web/index.html", false},  {"help/index.html", false},    {"", false},
    };
    for (const auto& [text, url] : rows) EXPECT_EQ(looksLikeUrl(text), url) << text.toStdString();
}

TEST(Shell, RefusesEmptyRequests) {
    DesktopShell shell;
    EXPECT_FALSE(shell.openDocument(""));
    EXPECT_FALSE(shell.startProgram("", "x"));
}

TEST(Shell, StartsAProgramWithOneWholeArgument) {
    QTemporaryDir dir;
    const QString script = dir.filePath("echo.sh");
    const QString out = dir.filePath("args.txt");
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QString("#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '%1'\n").arg(out).toUtf8());
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    DesktopShell shell;
    ASSERT_TRUE(shell.startProgram(script, "/home/a b/My Page.html"));
    for (int i = 0; i < 200 && readText(out).isEmpty(); ++i) QThread::msleep(10);
    EXPECT_EQ(readText(out), "1|/home/a b/My Page.html|");
}

TEST(PictureDialog, PreviewsTheSelectedJpeg) {
    QTemporaryDir dir;
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString jpeg = dir.filePath("red.jpg");
    ASSERT_TRUE(image.save(jpeg, "JPEG"));
    const QString text = dir.filePath("notes.jpg");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    PictureDialog dialog(nullptr, "All Image Files(*.jpg *.jpeg)", dir.path());
    dialog.showPreview(jpeg);
    EXPECT_TRUE(dialog.hasPreview());
    EXPECT_EQ(dialog.previewText(), "400 x 300");
    dialog.showPreview(text);
    EXPECT_FALSE(dialog.hasPreview());
    EXPECT_EQ(dialog.previewText(), "(no preview)");
    dialog.showPreview(dir.path());  // a folder: nothing to show
    EXPECT_FALSE(dialog.hasPreview());
    EXPECT_EQ(dialog.previewText(), "");
}

}  // namespace
}  // namespace marivel

namespace marivel {
namespace {

TEST(FileTypeRegistration, OnlyAPortableBuildWritesAnEntryAndUnderItsOwnId) {
    const QByteArray earlier = FileTypeRegistration::desktopEntryText("/usr/lib/marivel/marivel").toUtf8();
    const QByteArray users = "[Desktop Entry]\nName=My own Marivel launcher\nExec=marivel --mine %f\n";
    struct Row {
        bool installed;
        QByteArray before;  // the per-user marivel.desktop before the start; empty: none
        bool keptBefore;
    };
    const Row rows[] = {{true, {}, false},
                        {true, earlier, false},
                        {true, users, true},
                        {false, {}, false},
                        {false, earlier, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.installed) + " " + r.before.toStdString());
        QTemporaryDir data;
        const QString installedEntry = data.filePath(kInstalledEntryPath);
        if (!r.before.isEmpty()) {
            QDir().mkpath(data.filePath("applications"));
            QFile file(installedEntry);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(r.before);
        }
        FileTypeRegistration registration{"/opt/marivel/marivel", data.path(), false, {}, r.installed};
        EXPECT_TRUE(registration.writeFreedesktop());
        EXPECT_EQ(QFile::exists(installedEntry), r.keptBefore);
        if (r.keptBefore) {
            EXPECT_EQ(readText(installedEntry).toUtf8(), r.before);
        }
        const QString entry = readText(data.filePath(kPortableEntryPath));
        EXPECT_EQ(entry.isEmpty(), r.installed);
        if (!r.installed) {
            EXPECT_TRUE(entry.contains("\nExec=\"/opt/marivel/marivel\" %f\n"));
            EXPECT_TRUE(entry.contains("\nName=Marivel (portable)\n"));
        }
        EXPECT_EQ(QDir(data.path()).exists("mime"), !r.installed);
    }
    // Rewritten only when the program moved.
    QTemporaryDir data;
    const QString entry = data.filePath(kPortableEntryPath);
    ASSERT_TRUE((FileTypeRegistration{"/a/marivel", data.path(), false, {}}.writeFreedesktop()));
    {
        QFile file(entry);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000), QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE((FileTypeRegistration{"/a/marivel", data.path(), false, {}}.writeFreedesktop()));
    EXPECT_EQ(QFileInfo(entry).lastModified().toSecsSinceEpoch(), 1000000000);
    ASSERT_TRUE((FileTypeRegistration{"/b/marivel", data.path(), false, {}}.writeFreedesktop()));
    EXPECT_TRUE(readText(entry).contains("Exec=\"/b/marivel\" %f"));
}

}  // namespace
}  // namespace marivel
