#include "platform/shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace marivel {

bool looksLikeUrl(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

bool DesktopShell::openDocument(const QString& pathOrUrl) {
    if (pathOrUrl.isEmpty()) return false;
    const QUrl url = looksLikeUrl(pathOrUrl) ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    if (QDesktopServices::openUrl(url)) return true;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Platform plugins without desktop services (offscreen, minimal, some
    // embedded ones) open nothing; the desktop's own opener still can.
    return QProcess::startDetached(QStringLiteral("xdg-open"), {pathOrUrl});
#else
    return false;
#endif
}

bool DesktopShell::startProgram(const QString& program, const QString& argument) {
    if (program.isEmpty()) return false;
    QStringList arguments;
    if (!argument.isEmpty()) arguments << argument;
    return QProcess::startDetached(program, arguments);
}

}  // namespace marivel
