#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/image_quality.h"
#include "preview/preview_site.h"

class QThread;

namespace marivel {

class PreparedImageCache;

// The live preview's prepared pictures: made on a worker thread from the
// shared cache of prepared copies (so a picture a save prepared is not
// decoded again) and written into the preview's folder under names of
// their own, so a reloaded page never shows an older copy from the
// browser's memory. The editor's thread only ever looks up what is done.
class PreviewPictures final : public QObject {
    Q_OBJECT
public:
    // cache may be null (every picture is then decoded).
    PreviewPictures(std::filesystem::path folder, const PreparedImageCache* cache, QObject* parent = nullptr);
    // Stops the work under way and waits for it (a picture at most).
    ~PreviewPictures() override;

    // The key of a source prepared to width with quality.
    static std::string keyOf(const std::string& source, int width, const ImageQuality& quality);

    // The prepared picture of key, or null while it is not (yet) there.
    const PreviewPicture* find(const std::string& key) const;
    // The reason key could not be prepared, or empty.
    std::string failure(const std::string& key) const;

    // Prepares those of sources that are neither done nor failed nor under
    // way, at width with quality. Work for another width or quality that
    // is still running is dropped: only the latest choice matters.
    void want(const std::vector<std::string>& sources, int width, const ImageQuality& quality);
    // Whether work is under way.
    bool busy() const { return running_ != nullptr; }

signals:
    // A picture is ready (or failed): find() or failure() now answer for key.
    void pictureDone(const QString& key);
    // No work is under way any more.
    void idle();

private:
    struct Job;
    void start(std::vector<std::string> sources, int width, const ImageQuality& quality);
    void finished(Job* job);
    void received(const std::string& key, const PreviewPicture& picture, const std::string& error);

    std::filesystem::path folder_;
    const PreparedImageCache* cache_;
    std::map<std::string, PreviewPicture> done_;
    std::map<std::string, std::string> failed_;
    std::set<std::string> pending_;  // keys the running job will deliver
    Job* running_ = nullptr;
    std::vector<std::unique_ptr<Job>> jobs_;  // the running one and those being stopped
    // Numbers the files' names; counted on the worker threads.
    std::shared_ptr<std::atomic<int>> names_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace marivel
