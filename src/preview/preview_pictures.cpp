#include "preview/preview_pictures.h"

#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <algorithm>
#include <thread>
#include <utility>

#include "model/error.h"
#include "model/whole_file.h"
#include "output/image_preparer.h"
#include "output/prepared_cache.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

// Thrown out of the preparer's waiting to end a job that is no longer
// wanted.
struct JobDropped {};

// The preview works beside the editor: it leaves a core to the editor and
// to everything else the designer runs.
unsigned PreviewWorkers() {
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    return std::max(1U, cores / 2);
}

}  // namespace

struct PreviewPictures::Job {
    QThread* thread = nullptr;
    std::shared_ptr<std::atomic<bool>> dropped = std::make_shared<std::atomic<bool>>(false);
};

PreviewPictures::PreviewPictures(fs::path folder, const PreparedImageCache* cache, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), cache_(cache) {}

PreviewPictures::~PreviewPictures() {
    for (const auto& job : jobs_) *job->dropped = true;
    for (const auto& job : jobs_) {
        job->thread->wait();
        delete job->thread;
    }
}

std::string PreviewPictures::keyOf(const std::string& source, int width, const ImageQuality& quality) {
    return source + "\n" + std::to_string(width) + "\n" + ResizeModeName(quality.resize) +
           (quality.density == Density::Double ? " 2x" : " 1x");
}

const PreviewPicture* PreviewPictures::find(const std::string& key) const {
    const auto found = done_.find(key);
    return found == done_.end() ? nullptr : &found->second;
}

std::string PreviewPictures::failure(const std::string& key) const {
    const auto found = failed_.find(key);
    return found == failed_.end() ? std::string() : found->second;
}

void PreviewPictures::want(const std::vector<std::string>& sources, int width, const ImageQuality& quality) {
    std::vector<std::string> missing;
    std::set<std::string> wanted;
    for (const std::string& source : sources) {
        const std::string key = keyOf(source, width, quality);
        if (done_.count(key) || failed_.count(key) || !wanted.insert(key).second) continue;
        missing.push_back(source);
    }
    // Nothing new: the work under way (if any) is still what is wanted.
    if (std::all_of(missing.begin(), missing.end(),
                    [&](const std::string& s) { return pending_.count(keyOf(s, width, quality)) > 0; }) &&
        std::all_of(pending_.begin(), pending_.end(),
                    [&](const std::string& k) { return wanted.count(k) > 0; }))
        return;
    // Another width, quality or set of pictures: only the latest choice
    // matters, and one job runs at a time, so the pane never takes more
    // than its share of the machine.
    if (running_) *running_->dropped = true;
    running_ = nullptr;
    pending_.clear();
    if (!missing.empty()) start(std::move(missing), width, quality);
}

void PreviewPictures::start(std::vector<std::string> sources, int width, const ImageQuality& quality) {
    auto job = std::make_unique<Job>();
    Job* raw = job.get();
    for (const std::string& source : sources) pending_.insert(keyOf(source, width, quality));
    const auto dropped = job->dropped;
    const auto names = names_;
    const fs::path folder = folder_;
    const PreparedImageCache* cache = cache_;
    QPointer<PreviewPictures> self(this);
    raw->thread = QThread::create([=] {
        std::size_t first = 0;
        // A preparer stops at its first failure; the rest get a new one.
        while (first < sources.size() && !*dropped) {
            std::vector<std::string> rest(sources.begin() + long(first), sources.end());
            try {
                ImagePreparer preparer(rest, width, cache, PreviewWorkers(), quality);
                for (std::size_t i = 0; i < rest.size(); ++i, ++first) {
                    const std::string key = keyOf(rest[i], width, quality);
                    PreviewPicture picture;
                    std::string error;
                    try {
                        const PreparedCopy copy = preparer.take(i, [&dropped] {
                            if (*dropped) throw JobDropped{};
                        });
                        const int n = ++*names;
                        picture.file = "picture" + std::to_string(n) + ".jpg";
                        picture.width = copy.image.size.width;
                        picture.height = copy.image.size.height;
                        WriteWholeFile(folder / picture.file, copy.jpeg, Durability::Unsynced);
                        if (!copy.doubleJpeg.empty()) {
                            picture.doubleFile = "picture" + std::to_string(n) + "@2x.jpg";
                            WriteWholeFile(folder / picture.doubleFile, copy.doubleJpeg,
                                           Durability::Unsynced);
                        }
                    } catch (const Error& e) {
                        error = e.what();
                    }
                    QMetaObject::invokeMethod(
                        self, [self, key, picture, error] { self->received(key, picture, error); },
                        Qt::QueuedConnection);
                    if (!error.empty()) {
                        ++first;
                        break;
                    }
                }
            } catch (const JobDropped&) {
                return;
            } catch (const Error&) {
                return;
            }
        }
    });
    connect(raw->thread, &QThread::finished, this, [this, raw] { finished(raw); });
    jobs_.push_back(std::move(job));
    running_ = raw;
    raw->thread->start(QThread::LowPriority);
}

void PreviewPictures::finished(Job* job) {
    const auto it = std::find_if(jobs_.begin(), jobs_.end(), [job](const auto& j) { return j.get() == job; });
    if (it == jobs_.end()) return;
    job->thread->deleteLater();
    if (running_ == job) {
        running_ = nullptr;
        pending_.clear();
    }
    jobs_.erase(it);
    if (!running_) emit idle();
}

void PreviewPictures::received(const std::string& key, const PreviewPicture& picture,
                               const std::string& error) {
    if (error.empty())
        done_[key] = picture;
    else
        failed_[key] = error;
    pending_.erase(key);
    emit pictureDone(QString::fromStdString(key));
}

}  // namespace marivel
