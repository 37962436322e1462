#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace marivel {

class SettingsStore;

// One browser found on the machine: the name shown in the browser list and
// the full path of its executable.
struct BrowserNameAndPath {
    QString Name;
    QString Path;
    bool operator==(const BrowserNameAndPath&) const = default;
};

// Where installed browsers are looked for: the folders of the search path in
// their order, and the root under which the usual install places lie
// ("/opt/google/chrome/google-chrome" ...). An empty root skips those places,
// so a test sees only the folders it made.
struct BrowserLocations {
    QStringList searchPath;
    QString root;
    // $PATH and "/".
    static BrowserLocations fromEnvironment();
    // Splits a PATH value; empty and relative entries are dropped, because
    // they mean the current folder and a browser started from there could
    // be anything that happens to lie in it.
    static QStringList splitSearchPath(const QString& path);
};

// The browsers that the registry names (Internet Explorer and the Netscape
// family), read through the settings store in a fixed order. Each step adds
// at most one entry and only when its executable file exists; a value that
// cannot be read ends that step without an entry.
std::vector<BrowserNameAndPath> DetectRegisteredBrowsers(const SettingsStore& settings);

// The browsers installed the way Linux installs them, in a fixed order
// (Firefox, Firefox ESR, Chromium, Google Chrome, Brave, Vivaldi, Opera,
// Microsoft Edge, GNOME Web, Falkon, Konqueror): each one whose executable is
// on the search path or in its usual install place and may be executed.
std::vector<BrowserNameAndPath> DetectInstalledBrowsers(const BrowserLocations& where);

// Both lists, registered browsers first, without listing one executable twice.
std::vector<BrowserNameAndPath> DetectBrowsers(const SettingsStore& settings, const BrowserLocations& where);

}  // namespace marivel
