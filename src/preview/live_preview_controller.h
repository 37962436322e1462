#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "preview/preview_site.h"

class QWidget;

namespace marivel {

class DocumentAgent;
class PreparedImageCache;
class PreviewPictures;
class PreviewWeb;
class Shell;

// The live preview's work: keeps a copy of the project, writes the preview
// page of that copy into the pane's folder, has the pictures prepared, and
// drives the web page (reloads, selection, pause, column, pixel ratio). It
// only ever reads the document: generating the preview changes no record
// and no undo state.
//
// The window tells it what changed (the slots); it waits a moment for
// more, so a burst of changes costs one page. Nothing happens while the
// pane is hidden but remembering that the page is out of date.
class LivePreviewController final : public QObject {
    Q_OBJECT
public:
    enum class What { Settings, Items, Structure };

    // agent: how to reach the document, read only. folder: the pane's own
    // folder (made owner-only when missing; only files in it are loaded).
    LivePreviewController(std::function<const DocumentAgent&()> agent, Shell& shell,
                          std::filesystem::path folder, QObject* parent = nullptr);
    ~LivePreviewController() override;

    // Starts the web engine in the pane's body, the first time the pane is
    // shown, never before. False, with the reason told as a problem, when
    // the engine cannot be loaded.
    bool start(QWidget* body);
    bool attached() const { return web_ != nullptr; }
    // The web engine, once started.
    PreviewWeb* web() const { return web_.get(); }
    // Ends the web engine (before the pane goes).
    void stop();
    const std::filesystem::path& folder() const { return folder_; }
    const PreviewPageState& pageState() const { return state_; }
    // The items the page shows, in the engine's order.
    const std::vector<int>& shownItems() const { return site_.shownItems; }
    int pixelRatio() const { return ratio_; }
    // How long the controller waits for further changes.
    static constexpr int kSettleMs = 40;

public slots:
    void projectChanged(What what);
    // The item's picture (its path, or the file itself) changed.
    void pictureChanged(int item);
    // Outlines the item's picture and brings it into view (-1: none).
    void selectItem(int item);
    // The pane is shown (work resumes) or hidden (work stops).
    void setActive(bool active);
    void setPaused(bool paused);
    void setColumn(PreviewColumn column);
    // Device pixel ratio 1 or 2.
    void setPixelRatio(int ratio);
    // Writes the page now, without waiting for more changes.
    void refreshNow();

signals:
    // The user clicked the picture of item in the pane.
    void itemClicked(int item);
    // One line about what went wrong; empty when all is well again.
    void problem(const QString& text);
    // The page of this generation has drawn its first frame.
    void frameShown(int generation);

private:
    void regenerate();
    void picturesArrived();
    void clicked(int position, bool openLink);
    void runInPage(const QString& script);
    void report(const QString& text);
    // The picture of each item of the snapshot now, and the sources still
    // to prepare.
    std::vector<PreviewPicture> currentPictures(std::vector<std::string>* wanted) const;

    std::function<const DocumentAgent&()> agent_;
    Shell& shell_;
    std::filesystem::path folder_;
    std::unique_ptr<PreparedImageCache> cache_;
    PreviewPictures* pictures_ = nullptr;

    std::unique_ptr<PreviewWeb> web_;

    QTimer settle_;   // waits for a burst of changes to end
    QTimer arrived_;  // gathers pictures that arrive together
    bool active_ = false;
    bool stale_ = true;  // the page does not show the project as it is
    std::optional<PreviewSnapshot> snapshot_;
    int width_ = 0;
    PreviewSite site_;
    std::vector<PreviewPicture> onPage_;  // the pictures the page was written with
    PreviewPageState state_;
    int shownGeneration_ = 0;  // the page that last drew its first frame
    int selectedItem_ = -1;
    int clickedItem_ = -1;  // the item whose picture was just clicked in the pane
    int ratio_ = 1;
};

}  // namespace marivel
