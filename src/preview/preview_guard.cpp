#include "preview/preview_guard.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QWebEngineUrlRequestInfo>

namespace marivel {

namespace {

constexpr int kLogLength = 1000;

}  // namespace

FolderOnlyInterceptor::FolderOnlyInterceptor(const QString& folder, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent), folder_(QDir::cleanPath(folder) + QLatin1Char('/')) {}

bool FolderOnlyInterceptor::allows(const QUrl& url) const {
    if (!url.isLocalFile() || !url.host().isEmpty()) return false;
    // Cleaned first: "folder/../../home" must not pass as a file of the
    // folder. The folder is the editor's own, owner-only, and holds no
    // links, so its spelling is its identity.
    const QString path = QDir::cleanPath(url.toLocalFile());
    return path.startsWith(folder_) && path.size() > folder_.size();
}

void FolderOnlyInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QUrl url = info.requestUrl();
    const bool allowed = allows(url);
    if (!allowed) info.block(true);
    QMutexLocker lock(&mutex_);
    log_.append((allowed ? QStringLiteral("allowed ") : QStringLiteral("refused ")) + url.toString());
    if (log_.size() > kLogLength) log_.removeFirst();
}

QStringList FolderOnlyInterceptor::requestLog() const {
    QMutexLocker lock(&mutex_);
    return log_;
}

PreviewWebPage::PreviewWebPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent) {
    // Camera, microphone, location, notifications: a slider needs none.
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    connect(
        this, &QWebEnginePage::renderProcessTerminated, this,
        [this](RenderProcessTerminationStatus status, int code) {
            if (status != NormalTerminationStatus)
                emit problem(QStringLiteral(
                                 "The preview stopped (exit code %1); it starts again with the next change.")
                                 .arg(code));
        });
}

bool PreviewWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    // Only the preview page itself, loaded or reloaded by the pane: never
    // where a picture's link points, a form, or a frame of the page.
    if (!isMainFrame || type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted ||
        type == NavigationTypeBackForward || type == NavigationTypeRedirect)
        return false;
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment) == pageUrl_;
}

void PreviewWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                              int lineNumber, const QString& sourceID) {
    if (level != ErrorMessageLevel) return;
    const QString file = QFileInfo(QUrl(sourceID).path()).fileName();
    emit problem(file.isEmpty() ? message
                                : QStringLiteral("%1 (%2, line %3)").arg(message, file).arg(lineNumber));
}

void PreviewWebPage::javaScriptAlert(const QUrl&, const QString& msg) {
    emit problem(QStringLiteral("The page asked to show: %1").arg(msg));
}

bool PreviewWebPage::javaScriptConfirm(const QUrl&, const QString& msg) {
    emit problem(QStringLiteral("The page asked to confirm: %1").arg(msg));
    return false;
}

bool PreviewWebPage::javaScriptPrompt(const QUrl&, const QString& msg, const QString&, QString*) {
    emit problem(QStringLiteral("The page asked for input: %1").arg(msg));
    return false;
}

QStringList PreviewWebPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) {
    return {};
}

QWebEnginePage* PreviewWebPage::createWindow(WebWindowType) {
    return nullptr;
}

}  // namespace marivel
