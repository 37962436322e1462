#include "platform/file_url.h"

#include <QDir>

namespace marivel {

namespace {

const QString kFileScheme = QStringLiteral("file://");

}  // namespace

QString PathToFileUrl(const QString& path, PathStyle style) {
    if (style == PathStyle::Posix) {
        const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
        return kFileScheme + absolute;
    }
    QString url = path;
    url.replace(QLatin1Char('\\'), QLatin1Char('/')).replace(QLatin1Char(':'), QLatin1Char('|'));
    return QStringLiteral("file:///") + url;
}

}  // namespace marivel
