// The live preview's web engine: the library the pane loads the first time
// it is shown. Everything that needs Qt WebEngine is here.
#include <QFile>
#include <QPointer>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "preview/preview_guard.h"
#include "preview/preview_script.h"
#include "preview/preview_web.h"

namespace marivel {

namespace {

QString ReadResource(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class WebEnginePreview final : public PreviewWeb {
public:
    WebEnginePreview(const QString& folder, const Hooks& hooks, QWidget* parent) {
        // Off the record: no cookies, cache or history outlive the pane.
        profile_ = new QWebEngineProfile();
        profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        interceptor_ = new FolderOnlyInterceptor(folder, profile_);
        profile_->setUrlRequestInterceptor(interceptor_);
        QWebEngineSettings* settings = profile_->settings();
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
        settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
        settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
        settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
        settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);

        page_ = new PreviewWebPage(profile_);
        QObject::connect(page_, &PreviewWebPage::problem, page_, hooks.problem);
        QObject::connect(page_, &QWebEnginePage::loadFinished, page_, [problem = hooks.problem](bool ok) {
            if (!ok) problem(QStringLiteral("The preview page could not be shown."));
        });
        auto* bridge = new PreviewBridge(page_);
        QObject::connect(bridge, &PreviewBridge::clicked, bridge, hooks.clicked);
        QObject::connect(bridge, &PreviewBridge::frameShown, bridge, hooks.shown);
        auto* channel = new QWebChannel(page_);
        channel->registerObject(QStringLiteral("preview"), bridge);
        page_->setWebChannel(channel, QWebEngineScript::ApplicationWorld);
        QWebEngineScript script;
        script.setName(QStringLiteral("marivel-preview"));
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::ApplicationWorld);
        script.setRunsOnSubFrames(false);
        script.setSourceCode(ReadResource(QStringLiteral(":/qtwebchannel/qwebchannel.js")) +
                             PreviewPageScript());
        page_->scripts().insert(script);

        view_ = new QWebEngineView(parent);
        view_->setObjectName(QStringLiteral("livePreviewView"));
        view_->setContextMenuPolicy(Qt::NoContextMenu);
        view_->setAcceptDrops(false);
        view_->setPage(page_);
    }
    // The view first, then its page, then the page's profile.
    ~WebEnginePreview() override {
        delete view_;
        delete page_;
        delete profile_;
    }
    WebEnginePreview(const WebEnginePreview&) = delete;
    WebEnginePreview& operator=(const WebEnginePreview&) = delete;

    QWidget* widget() override { return view_; }
    void load(const QUrl& page) override {
        page_->setPageUrl(page.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment));
        page_->load(page);
    }
    void run(const QString& script) override {
        page_->runJavaScript(script, QWebEngineScript::ApplicationWorld);
    }
    void evaluate(const QString& script, bool pageWorld, std::function<void(const QVariant&)> done) override {
        page_->runJavaScript(
            script, pageWorld ? QWebEngineScript::MainWorld : QWebEngineScript::ApplicationWorld, done);
    }
    void setZoom(int ratio) override {
        if (view_) view_->setZoomFactor(ratio);
    }
    QStringList requestLog() const override { return interceptor_->requestLog(); }

private:
    QWebEngineProfile* profile_;
    FolderOnlyInterceptor* interceptor_;
    PreviewWebPage* page_;
    QPointer<QWebEngineView> view_;
};

}  // namespace

}  // namespace marivel

extern "C" Q_DECL_EXPORT marivel::PreviewWeb* marivel_create_preview_web(
    const QString& folder, const marivel::PreviewWeb::Hooks& hooks, QWidget* parent) {
    return new marivel::WebEnginePreview(folder, hooks, parent);
}
