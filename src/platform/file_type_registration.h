#pragma once

#include <QImage>
#include <QString>

namespace marivel {

class SettingsStore;

// Makes the desktop open project files (*.mvl) with the running program.
// Written at every start so that a moved program takes over the association.
//
// On Linux this is the freedesktop way. An installed program leaves it to
// its package (whose entry is "marivel.desktop"): a per-user entry of that id
// would take precedence over the package's and outlive an uninstall. A
// portable build writes its own desktop entry
// "<data>/applications/marivel-portable.desktop" whose Exec line names its
// executable, rewritten only when that changed, and a shared-mime-info
// package "<data>/mime/packages/marivel.xml" mapping *.mvl to
// application/x-marivel-project. The data folder is $XDG_DATA_HOME
// (~/.local/share by default). The desktop entry names the icon "marivel".
// A per-user "marivel.desktop" that earlier versions wrote is removed.
// Failures are reported through the result and ignored by the program.
struct FileTypeRegistration {
    QString executable;  // full path of the running executable
    QString dataHome;    // the XDG data folder to write into
    // Refresh the desktop's caches (update-mime-database,
    // update-desktop-database) when a file changed; off in tests.
    bool runCacheUpdaters = true;
    // The program's picture, installed as the icon of the program and of its
    // project files (hicolor theme, 32 by 32); none when null.
    QImage icon;
    // Run from its installed place: nothing is written.
    bool installed = false;

    bool writeFreedesktop() const;
    static QString defaultDataHome();
    static QString desktopEntryText(const QString& executable);
    // The portable build's entry: the same, under a name of its own.
    static QString portableEntryText(const QString& executable);
    static QString mimePackageText();
};

// The Windows association, written key by key under HKEY_CLASSES_ROOT;
// stops at the first failing write, leaving the remaining keys unwritten.
bool writeClassesRootAssociation(SettingsStore& store, const QString& executable);

// Quotes one argument of a desktop entry's Exec line (inside double quotes,
// backslash-escape ", `, $ and \), then escapes backslashes once more as the
// desktop entry's string syntax wants.
QString quoteExecArgument(const QString& argument);

inline constexpr char kProjectMimeType[] = "application/x-marivel-project";
inline constexpr char kInstalledEntryPath[] = "applications/marivel.desktop";
inline constexpr char kPortableEntryPath[] = "applications/marivel-portable.desktop";

}  // namespace marivel
