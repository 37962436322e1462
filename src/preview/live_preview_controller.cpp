#include "preview/live_preview_controller.h"

#include <sys/stat.h>

#include <QUrl>
#include <utility>

#include "model/agent.h"
#include "model/error.h"
#include "model/field_codec.h"
#include "output/prepared_cache.h"
#include "output/source_images.h"
#include "platform/local_text.h"
#include "platform/shell.h"
#include "preview/preview_pictures.h"
#include "preview/preview_web.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

QString JsString(const std::string& text) {
    QString quoted = toQt(text);
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
    quoted.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    quoted.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

}  // namespace

LivePreviewController::LivePreviewController(std::function<const DocumentAgent&()> agent, Shell& shell,
                                             fs::path folder, QObject* parent)
    : QObject(parent), agent_(std::move(agent)), shell_(shell), folder_(std::move(folder)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &LivePreviewController::regenerate);
    arrived_.setSingleShot(true);
    arrived_.setInterval(60);
    connect(&arrived_, &QTimer::timeout, this, &LivePreviewController::picturesArrived);
}

LivePreviewController::~LivePreviewController() {
    stop();
}

void LivePreviewController::stop() {
    web_.reset();
}

bool LivePreviewController::start(QWidget* body) {
    if (web_) return true;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    ::chmod(folder_.c_str(), 0700);
    PreviewWeb::Hooks hooks;
    hooks.clicked = [this](int position, bool openLink) { clicked(position, openLink); };
    hooks.shown = [this](int generation) {
        shownGeneration_ = generation;
        // Pictures that arrived while the page loaded went to the page
        // before it: they are handed to this one now.
        if (generation == state_.generation) picturesArrived();
        emit frameShown(generation);
    };
    hooks.problem = [this](const QString& text) { report(text); };
    QString error;
    web_ = LoadPreviewWeb(toQt(folder_.string()), hooks, body, &error);
    if (!web_) {
        report(error);
        return false;
    }
    cache_ = std::make_unique<PreparedImageCache>(PreparedImageCache::DefaultFolder());
    pictures_ = new PreviewPictures(folder_, cache_.get(), this);
    connect(pictures_, &PreviewPictures::pictureDone, this, [this] { arrived_.start(); });
    web_->setZoom(ratio_);
    stale_ = true;
    if (active_) regenerate();
    return true;
}

void LivePreviewController::projectChanged(What) {
    stale_ = true;
    if (active_ && web_) settle_.start();
}

void LivePreviewController::pictureChanged(int) {
    // The picture's key names the file as it is now; a photo replaced on
    // disk under the same name has another key in the cache of prepared
    // copies, and so is prepared again.
    projectChanged(What::Items);
}

void LivePreviewController::setActive(bool active) {
    active_ = active;
    if (active_ && web_ && stale_) settle_.start();
}

void LivePreviewController::refreshNow() {
    settle_.stop();
    regenerate();
}

std::vector<PreviewPicture> LivePreviewController::currentPictures(std::vector<std::string>* wanted) const {
    std::vector<PreviewPicture> pictures;
    if (!snapshot_) return pictures;
    const PreviewSnapshot& snap = *snapshot_;
    for (const SliderItem& item : snap.items) {
        const fs::path source = SourceImagePath(item.OriginalImagePath, snap.projectFolder);
        PreviewPicture picture;
        if (!source.empty() && SourceImageExists(item.OriginalImagePath, snap.projectFolder)) {
            const std::string key = PreviewPictures::keyOf(source.string(), width_, snap.quality);
            if (const PreviewPicture* done = pictures_->find(key)) {
                picture = *done;
            } else {
                picture = PendingPictureSize(item, width_);
                if (pictures_->failure(key).empty() && wanted) wanted->push_back(source.string());
            }
        } else if (!item.ImageHeight.empty()) {
            // No photo to show: the room the item takes on the site.
            picture = PendingPictureSize(item, width_);
        }
        pictures.push_back(picture);
    }
    return pictures;
}

void LivePreviewController::regenerate() {
    if (!web_ || !active_) return;
    const DocumentAgent& agent = agent_();
    PreviewSnapshot snap{agent.AppletData, agent.Items, agent.ProjectFolder, agent.Quality};
    try {
        CheckPreviewSnapshot(snap);
        width_ = StrToInt(snap.applet.Width);
        snapshot_ = std::move(snap);
        std::vector<std::string> wanted;
        onPage_ = currentPictures(&wanted);
        pictures_->want(wanted, width_, snapshot_->quality);
        ++state_.generation;
        // The selection rides along in the page for the reload.
        state_.selected = -1;
        for (std::size_t k = 0, shown = 0; k < onPage_.size(); ++k) {
            if (onPage_[k].height <= 0) continue;
            if (int(k) == selectedItem_) state_.selected = int(shown);
            ++shown;
        }
        site_ =
            WritePreviewSite(folder_, agent.ShippedFolder() / "tessaline.js", *snapshot_, onPage_, state_);
    } catch (const Error& e) {
        // The page keeps showing the last project that could be built.
        report(toQt(e.what()));
        return;
    }
    stale_ = false;
    report(QString());
    web_->load(QUrl::fromLocalFile(toQt((folder_ / kPreviewPageFile).string())));
}

void LivePreviewController::picturesArrived() {
    // Until the page being loaded shows, there is nothing to hand the
    // pictures to; it shows the files it was written with.
    if (!snapshot_ || !web_ || shownGeneration_ != state_.generation) return;
    const std::vector<PreviewPicture> now = currentPictures(nullptr);
    QString script;
    bool relayout = false;
    for (std::size_t k = 0; k < now.size() && k < onPage_.size(); ++k) {
        if (now[k].file == onPage_[k].file) continue;
        if (now[k].width != onPage_[k].width || now[k].height != onPage_[k].height) {
            relayout = true;
            break;
        }
        int position = -1;
        for (std::size_t p = 0; p < site_.shownItems.size(); ++p)
            if (site_.shownItems[p] == int(k)) position = int(p);
        if (position >= 0)
            script += QStringLiteral("marivelPreview.setPicture(%1,%2,%3);")
                          .arg(position)
                          .arg(JsString(now[k].file), JsString(now[k].doubleFile));
    }
    if (relayout) {
        // A picture of another size than its box: the engine lays the
        // column out once, so the page is written and shown again.
        regenerate();
        return;
    }
    onPage_ = now;
    try {
        site_ =
            WritePreviewSite(folder_, agent_().ShippedFolder() / "tessaline.js", *snapshot_, onPage_, state_);
    } catch (const Error&) {
    }
    if (!script.isEmpty()) runInPage(script);
}

void LivePreviewController::selectItem(int item) {
    selectedItem_ = item;
    state_.selected = -1;
    for (std::size_t p = 0; p < site_.shownItems.size(); ++p)
        if (site_.shownItems[p] == item) state_.selected = int(p);
    // A picture clicked in the pane is in view already: it is outlined
    // where it stands, not moved to the top.
    const bool reveal = item != clickedItem_;
    clickedItem_ = -1;
    runInPage(
        QStringLiteral("marivelPreview.select(%1,%2);").arg(state_.selected).arg(reveal ? "true" : "false"));
}

void LivePreviewController::setPaused(bool paused) {
    state_.paused = paused;
    runInPage(QStringLiteral("marivelPreview.setPaused(%1);").arg(paused ? "true" : "false"));
}

void LivePreviewController::setColumn(PreviewColumn column) {
    state_.column = column;
    // The engine follows its parent's width by itself: no reload.
    runInPage(QStringLiteral("marivelPreview.setColumn('%1');").arg(toQt(ColumnCss(column))));
}

void LivePreviewController::setPixelRatio(int ratio) {
    ratio_ = ratio == 2 ? 2 : 1;
    if (!web_) return;
    web_->setZoom(ratio_);
    // The engine picks a picture's 1x or 2x file when it first loads it.
    stale_ = true;
    if (active_) settle_.start();
}

void LivePreviewController::clicked(int position, bool openLink) {
    if (position < 0 || std::size_t(position) >= site_.shownItems.size()) return;
    const int item = site_.shownItems[std::size_t(position)];
    if (!openLink) {
        clickedItem_ = item;
        emit itemClicked(item);
        return;
    }
    const QString link = toQt(site_.links.at(std::size_t(item)));
    if (link.isEmpty()) return;
    // A relative link only means something on the published site.
    if (!looksLikeUrl(link)) {
        report(QStringLiteral("The link \"%1\" is relative: it opens from the published page.").arg(link));
        return;
    }
    if (!shell_.openDocument(link)) report(QStringLiteral("The link \"%1\" could not be opened.").arg(link));
}

void LivePreviewController::runInPage(const QString& script) {
    if (web_)
        web_->run(QStringLiteral("window.marivelPreview&&(function(){") + script + QStringLiteral("})();"));
}

void LivePreviewController::report(const QString& text) {
    emit problem(text);
}

}  // namespace marivel
