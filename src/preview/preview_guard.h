#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

namespace marivel {

// Lets the pane load nothing but the files of its own folder: a project's
// links and pictures may name any address, and the preview must never
// fetch one (no request to a tracker, no file of the user's shown).
// Exported for the tests, which check its rule without a page.
class Q_DECL_EXPORT FolderOnlyInterceptor final : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    // folder: the preview's folder, absolute.
    explicit FolderOnlyInterceptor(const QString& folder, QObject* parent = nullptr);

    // Whether url is a file of the folder (or below it).
    bool allows(const QUrl& url) const;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Every request seen so far, "allowed URL" or "refused URL", oldest
    // first (the last thousand).
    QStringList requestLog() const;

private:
    QString folder_;  // clean, with a trailing slash
    mutable QMutex mutex_;
    QStringList log_;
};

// What the page's script may call: the channel's object "preview".
class PreviewBridge final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    Q_INVOKABLE void pictureClicked(int position) { emit clicked(position, false); }
    Q_INVOKABLE void openLink(int position) { emit clicked(position, true); }
    Q_INVOKABLE void shown(int generation) { emit frameShown(generation); }
signals:
    void clicked(int position, bool openLink);
    void frameShown(int generation);
};

// The pane's page: stays on the preview page (link clicks and every other
// navigation are refused), asks nothing (no dialogs, no permissions) and
// reports the page's errors as one line instead.
class PreviewWebPage final : public QWebEnginePage {
    Q_OBJECT
public:
    PreviewWebPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    // The page file this page may show.
    void setPageUrl(const QUrl& url) { pageUrl_ = url; }

signals:
    // One line for the pane's status line.
    void problem(const QString& text);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    QUrl pageUrl_;
};

}  // namespace marivel
