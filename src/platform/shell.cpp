#include "platform/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace marivel {

bool looksLikeUrl(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

QString CommandText(const QString& program, const QStringList& arguments) {
    QString text = QLatin1Char('"') + program + QLatin1Char('"');
    for (const QString& argument : arguments) text += QStringLiteral(" \"") + argument + QLatin1Char('"');
    return text;
}

namespace {

#if defined(Q_OS_UNIX)
// Runs the program with its output going nowhere but its error output kept,
// then notes its exit code beside it. The shell stays while the program
// runs, so the program is never a child of the editor and outlives it.
constexpr const char* kWatchScript =
    "status=$1; shift; \"$@\" </dev/null >/dev/null 2>\"$status.err\"; code=$?; "
    "{ echo $code >\"$status.part\" && mv -f \"$status.part\" \"$status\"; } 2>/dev/null";

// The end of the error output, where programs say why they gave up.
QString ErrorTail(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return {};
    const qint64 size = in.size();
    if (size > 600) in.seek(size - 600);
    return QString::fromLocal8Bit(in.readAll()).trimmed();
}

QString FailureText(const QString& command, int code, const QString& said) {
    QString text = QStringLiteral("The web browser did not start: the command %1 ").arg(command);
    if (code == 127)
        text += QStringLiteral("was not found.");
    else if (code == 126)
        text += QStringLiteral("cannot be run.");
    else
        text += QStringLiteral("ended with exit code %1.").arg(code);
    if (!said.isEmpty()) text += QStringLiteral("\n\nIt said:\n") + said;
    return text;
}
#endif

bool CanRun(const QString& program) {
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo file(program);
        return file.isFile() && file.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

}  // namespace

bool DesktopShell::openDocument(const QString& pathOrUrl) {
    if (pathOrUrl.isEmpty()) return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // What the desktop's services would run, asked directly so that its
    // failure (no browser set up) is seen.
    if (watchingLaunches() && CanRun(QStringLiteral("xdg-open")))
        return startWatched(QStringLiteral("xdg-open"), {pathOrUrl});
#endif
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
    if (watchingLaunches()) return startWatched(program, arguments);
    return QProcess::startDetached(program, arguments);
}

bool DesktopShell::startWatched(const QString& program, const QStringList& arguments) {
#if defined(Q_OS_UNIX)
    // A program that is not there, or may not be run, never starts: say so now.
    if (!CanRun(program)) return false;
    auto folder =
        std::make_shared<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/marivel-launch-XXXXXX"));
    if (!folder->isValid()) return QProcess::startDetached(program, arguments);
    const QString status = folder->filePath(QStringLiteral("status"));
    if (!QProcess::startDetached(QStringLiteral("/bin/sh"),
                                 QStringList{QStringLiteral("-c"), QString::fromLatin1(kWatchScript),
                                             QStringLiteral("marivel-launch"), status, program} +
                                     arguments))
        return false;
    // Looked at a few times a second until the program ends or has run long
    // enough to count as started; the folder goes with the timer.
    auto* timer = new QTimer(watchContext());
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    const QString command = CommandText(program, arguments);
    const LaunchFailure report = launchFailure();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QFile file(status);
        if (file.open(QIODevice::ReadOnly)) {
            const int code = QString::fromLatin1(file.readAll()).trimmed().toInt();
            const QString said = ErrorTail(status + QStringLiteral(".err"));
            timer->stop();
            timer->deleteLater();
            if (code != 0) report(FailureText(command, code, said));
            return;
        }
        if (since->elapsed() > kWatchMilliseconds) {
            timer->stop();
            timer->deleteLater();
        }
    });
    QObject::connect(timer, &QObject::destroyed, [folder] { folder->remove(); });
    timer->start(150);
    return true;
#else
    return QProcess::startDetached(program, arguments);
#endif
}

}  // namespace marivel
