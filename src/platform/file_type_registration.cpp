#include "platform/file_type_registration.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include "platform/settings_store.h"

namespace marivel {

namespace {

// Writes the file only when its content differs; answers whether it was
// written and sets ok to false on a failure.
bool refreshFile(const QString& path, const QByteArray& content, bool& ok) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content) return false;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        ok = false;
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit()) {
        ok = false;
        return false;
    }
    return true;
}

// The text without its Exec line: entries that differ only in the program
// they start.
QString WithoutExecLine(const QString& entry) {
    QStringList lines = entry.split(QLatin1Char('\n'));
    lines.removeIf([](const QString& line) { return line.startsWith(QLatin1String("Exec=")); });
    return lines.join(QLatin1Char('\n'));
}

// Removes the per-user entry under the installed entry's id that earlier
// versions wrote at every start, when it is exactly what they wrote (for
// whichever executable); answers whether it was removed.
bool RemoveEarlierEntry(const QDir& data) {
    const QString path = data.filePath(QLatin1String(kInstalledEntryPath));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    if (WithoutExecLine(text) != WithoutExecLine(FileTypeRegistration::desktopEntryText(QString())))
        return false;
    return QFile::remove(path);
}

}  // namespace

QString quoteExecArgument(const QString& argument) {
    QString quoted;
    for (QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return quoted;
}

QString FileTypeRegistration::defaultDataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString FileTypeRegistration::desktopEntryText(const QString& executable) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Marivel\n"
               "Comment=Design vertically scrolling image sliders for web pages\n"
               "Exec=%1 %f\n"
               "Icon=marivel\n"
               "MimeType=%2;\n"
               "Terminal=false\n"
               "Categories=Graphics;WebDevelopment;\n")
        .arg(quoteExecArgument(executable), QLatin1String(kProjectMimeType));
}

QString FileTypeRegistration::portableEntryText(const QString& executable) {
    QString text = desktopEntryText(executable);
    text.replace(QStringLiteral("\nName=Marivel\n"), QStringLiteral("\nName=Marivel (portable)\n"));
    return text;
}

QString FileTypeRegistration::mimePackageText() {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"%1\">\n"
               "    <comment>Marivel project</comment>\n"
               "    <glob pattern=\"*.mvl\"/>\n"
               "  </mime-type>\n"
               "</mime-info>\n")
        .arg(QLatin1String(kProjectMimeType));
}

bool FileTypeRegistration::writeFreedesktop() const {
    if (executable.isEmpty() || dataHome.isEmpty()) return false;
    bool ok = true;
    const QDir data(dataHome);
    const bool earlierRemoved = RemoveEarlierEntry(data);
    if (installed) {
        if (earlierRemoved && runCacheUpdaters)
            QProcess::startDetached(QStringLiteral("update-desktop-database"),
                                    {data.filePath(QStringLiteral("applications"))});
        return true;
    }
    const bool desktopChanged = refreshFile(data.filePath(QLatin1String(kPortableEntryPath)),
                                            portableEntryText(executable).toUtf8(), ok) ||
                                earlierRemoved;
    const bool mimeChanged = refreshFile(data.filePath(QStringLiteral("mime/packages/marivel.xml")),
                                         mimePackageText().toUtf8(), ok);
    if (!icon.isNull()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        icon.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation).save(&buffer, "PNG");
        refreshFile(data.filePath(QStringLiteral("icons/hicolor/32x32/apps/marivel.png")), png, ok);
        refreshFile(
            data.filePath(QStringLiteral("icons/hicolor/32x32/mimetypes/application-x-marivel-project.png")),
            png, ok);
    }
    if (runCacheUpdaters) {
        // Missing tools are no error: the desktop then picks the files up at
        // its own next cache refresh.
        if (mimeChanged)
            QProcess::startDetached(QStringLiteral("update-mime-database"),
                                    {data.filePath(QStringLiteral("mime"))});
        if (desktopChanged)
            QProcess::startDetached(QStringLiteral("update-desktop-database"),
                                    {data.filePath(QStringLiteral("applications"))});
    }
    return ok;
}

bool writeClassesRootAssociation(SettingsStore& store, const QString& executable) {
    using Hive = SettingsStore::Hive;
    const QString native = QDir::toNativeSeparators(executable);
    const std::pair<QString, QString> keys[] = {
        {QStringLiteral("\\.mvl"), QStringLiteral("Marivel.Document")},
        {QStringLiteral("\\Marivel.Document"), QStringLiteral("Marivel.Document")},
        {QStringLiteral("\\Marivel.Document\\DefaultIcon"), native + QStringLiteral(",0")},
        {QStringLiteral("\\Marivel.Document\\shell\\open\\command"), native + QStringLiteral(" %1")},
    };
    for (const auto& [key, value] : keys) {
        if (!store.createKey(Hive::ClassesRoot, key)) return false;
        if (!store.writeString(Hive::ClassesRoot, key, QString(), value)) return false;
    }
    return true;
}

}  // namespace marivel
