#include "documents/browser_detection.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <initializer_list>

#include "platform/settings_store.h"

namespace marivel {

namespace {

using Hive = SettingsStore::Hive;

// --- browsers the registry names ------------------------------------------------

const QString kIexplorePaths =
    QStringLiteral("SOFTWARE\\Microsoft\\windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE");
const QString kNavigator3 = QStringLiteral("SOFTWARE\\Netscape\\Netscape Navigator\\Main");
const QString kNavigator = QStringLiteral("SOFTWARE\\Netscape\\Netscape Navigator");
const QString kNetscape6 = QStringLiteral("SOFTWARE\\Netscape\\Netscape 6");
const QString kInstallDirectory = QStringLiteral("Install Directory");
const QString kCurrentVersion = QStringLiteral("CurrentVersion");

// A registry text: missing reads as empty; anything unreadable ends the step.
bool readText(const SettingsStore& settings, Hive hive, const QString& key, const QString& name,
              QString& out) {
    const auto read = settings.readString(hive, key, name);
    if (read.status == SettingsStore::Status::Unreadable) return false;
    out = read.status == SettingsStore::Status::Ok ? read.value : QString();
    return true;
}

bool fileExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// The install folders the registry gives end without a separator; the
// executable lies in a fixed place below them.
QString below(const QString& folder, std::initializer_list<const char*> parts) {
    QString path = folder;
    for (const char* part : parts) path += QDir::separator() + QLatin1String(part);
    return path;
}

void addIfExists(std::vector<BrowserNameAndPath>& found, const QString& name, const QString& path) {
    if (fileExists(path)) found.push_back({name, path});
}

void detectInternetExplorer(const SettingsStore& settings, std::vector<BrowserNameAndPath>& found) {
    QString path;
    if (!readText(settings, Hive::LocalMachine, kIexplorePaths, QString(), path)) return;
    addIfExists(found, QStringLiteral("Internet Explorer"), path);
}

void detectNavigator3(const SettingsStore& settings, std::vector<BrowserNameAndPath>& found) {
    QString folder;
    if (!readText(settings, Hive::CurrentUser, kNavigator3, kInstallDirectory, folder) || folder.isEmpty())
        return;
    addIfExists(found, QStringLiteral("Netscape Navigator 3"), below(folder, {"Program", "Netscape.exe"}));
}

// Communicator and Netscape 6 keep their install folder under a key named
// after the current version.
void detectVersioned(const SettingsStore& settings, const QString& key, const QString& namePrefix,
                     std::initializer_list<const char*> executable, std::vector<BrowserNameAndPath>& found) {
    QString version;
    if (!readText(settings, Hive::LocalMachine, key, kCurrentVersion, version) || version.isEmpty()) return;
    QString folder;
    const QString main = key + QLatin1Char('\\') + version + QStringLiteral("\\Main");
    if (!readText(settings, Hive::LocalMachine, main, kInstallDirectory, folder) || folder.isEmpty()) return;
    addIfExists(found, namePrefix + version, below(folder, executable));
}

// --- browsers installed the Linux way -------------------------------------------

struct InstalledBrowser {
    const char* name;
    std::initializer_list<const char*> commands;  // names on the search path
    std::initializer_list<const char*> places;    // usual install places below the root
};

// Folders that hold programs even when a desktop starts us with a short PATH.
constexpr const char* kProgramFolders[] = {"usr/local/bin", "usr/bin", "bin", "snap/bin"};

const InstalledBrowser kInstalledBrowsers[] = {
    {"Firefox", {"firefox"}, {"usr/lib/firefox/firefox", "opt/firefox/firefox"}},
    {"Firefox ESR", {"firefox-esr"}, {"usr/lib/firefox-esr/firefox-esr"}},
    {"Chromium", {"chromium", "chromium-browser"}, {"usr/lib/chromium/chromium"}},
    {"Google Chrome", {"google-chrome", "google-chrome-stable"}, {"opt/google/chrome/google-chrome"}},
    {"Brave", {"brave-browser", "brave"}, {"opt/brave.com/brave/brave-browser"}},
    {"Vivaldi", {"vivaldi", "vivaldi-stable"}, {"opt/vivaldi/vivaldi"}},
    {"Opera", {"opera"}, {"usr/lib/x86_64-linux-gnu/opera/opera", "opt/opera/opera"}},
    {"Microsoft Edge", {"microsoft-edge", "microsoft-edge-stable"}, {"opt/microsoft/msedge/msedge"}},
    {"GNOME Web", {"epiphany", "epiphany-browser"}, {}},
    {"Falkon", {"falkon"}, {}},
    {"Konqueror", {"konqueror"}, {}},
};

bool isProgram(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

QString underRoot(const QString& root, const char* relative) {
    return QDir(root).filePath(QLatin1String(relative));
}

QString findInstalled(const InstalledBrowser& browser, const BrowserLocations& where) {
    for (const char* command : browser.commands)
        for (const QString& folder : where.searchPath) {
            const QString path = QDir(folder).filePath(QLatin1String(command));
            if (isProgram(path)) return QDir::cleanPath(path);
        }
    if (where.root.isEmpty()) return QString();
    for (const char* command : browser.commands)
        for (const char* folder : kProgramFolders) {
            const QString path = QDir(underRoot(where.root, folder)).filePath(QLatin1String(command));
            if (isProgram(path)) return QDir::cleanPath(path);
        }
    for (const char* place : browser.places) {
        const QString path = underRoot(where.root, place);
        if (isProgram(path)) return QDir::cleanPath(path);
    }
    return QString();
}

// Two entries are the same browser when they lead to the same file, e.g. a
// search-path link into an install place.
QString identity(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

}  // namespace

BrowserLocations BrowserLocations::fromEnvironment() {
    return {splitSearchPath(qEnvironmentVariable("PATH")), QDir::rootPath()};
}

QStringList BrowserLocations::splitSearchPath(const QString& path) {
    QStringList folders;
    for (const QString& entry : path.split(QDir::listSeparator(), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(entry)) folders << entry;
    return folders;
}

std::vector<BrowserNameAndPath> DetectRegisteredBrowsers(const SettingsStore& settings) {
    std::vector<BrowserNameAndPath> found;
    detectInternetExplorer(settings, found);
    detectNavigator3(settings, found);
    detectVersioned(settings, kNavigator, QStringLiteral("Netscape Communicator "),
                    {"Program", "Netscape.exe"}, found);
    detectVersioned(settings, kNetscape6, QStringLiteral("Netscape "), {"netscp6.exe"}, found);
    return found;
}

std::vector<BrowserNameAndPath> DetectInstalledBrowsers(const BrowserLocations& where) {
    std::vector<BrowserNameAndPath> found;
    for (const InstalledBrowser& browser : kInstalledBrowsers) {
        const QString path = findInstalled(browser, where);
        if (!path.isEmpty()) found.push_back({QLatin1String(browser.name), path});
    }
    return found;
}

std::vector<BrowserNameAndPath> DetectBrowsers(const SettingsStore& settings, const BrowserLocations& where) {
    std::vector<BrowserNameAndPath> all;
    QSet<QString> seen;
    auto take = [&](const std::vector<BrowserNameAndPath>& found) {
        for (const BrowserNameAndPath& browser : found) {
            const QString id = identity(browser.Path);
            if (seen.contains(id)) continue;
            seen.insert(id);
            all.push_back(browser);
        }
    };
    take(DetectRegisteredBrowsers(settings));
    take(DetectInstalledBrowsers(where));
    return all;
}

}  // namespace marivel
