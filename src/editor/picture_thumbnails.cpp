#include "editor/picture_thumbnails.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRunnable>
#include <QSaveFile>
#include <QTransform>
#include <algorithm>
#include <optional>
#include <vector>

#include "model/user_folders.h"
#include "output/content_hash.h"
#include "output/jpeg_probe.h"
#include "platform/local_text.h"

namespace marivel {

namespace {

// The stored rows turned as the camera asked, so the picture stands upright.
QImage Upright(const QImage& stored, Orientation o) {
    switch (o) {
        case Orientation::Upright:
            return stored;
        case Orientation::MirrorX:
            return stored.mirrored(true, false);
        case Orientation::Turn180:
            return stored.mirrored(true, true);
        case Orientation::MirrorY:
            return stored.mirrored(false, true);
        case Orientation::Transpose:
            return stored.transformed(QTransform().rotate(90)).mirrored(true, false);
        case Orientation::Turn90:
            return stored.transformed(QTransform().rotate(90));
        case Orientation::Transverse:
            return stored.transformed(QTransform().rotate(90)).mirrored(false, true);
        case Orientation::Turn270:
            return stored.transformed(QTransform().rotate(270));
    }
    return stored;
}

QImage Fitted(const ReducedPicture& reduced, QSize box) {
    const QImage stored(reduced.rgb.data(), reduced.width, reduced.height, reduced.width * 3,
                        QImage::Format_RGB888);
    return Upright(stored, reduced.orientation)
        .scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

// The hash of the bytes of the regular file at path; nothing for anything
// else (a FIFO is never waited on).
std::optional<std::uint64_t> ContentHashOf(const QString& file) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat status;
    std::optional<std::uint64_t> hash;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) hash = HashOfFile(fd);
    ::close(fd);
    return hash;
}

// Null when the file cannot be pictured. A camera's own thumbnail is taken
// where it will do; otherwise a picture made earlier of the same bytes, and
// only then the photo is decoded (and what is made is kept for next time).
QImage MakePicture(const QString& file, QSize box, const QString& cacheFolder) {
    try {
        const std::filesystem::path path = toLocalPath(file);
        if (const auto thumbnail = ReadExifThumbnail(path, box.width(), box.height()))
            return Fitted(*thumbnail, box);
        const std::optional<std::uint64_t> hash = cacheFolder.isEmpty() ? std::nullopt : ContentHashOf(file);
        const QString kept = hash ? QStringLiteral("%1/%2-%3x%4.png")
                                        .arg(cacheFolder)
                                        .arg(*hash, 16, 16, QLatin1Char('0'))
                                        .arg(box.width())
                                        .arg(box.height())
                                  : QString();
        if (hash) {
            const QImage earlier(kept, "PNG");
            if (!earlier.isNull() && earlier.width() <= box.width() && earlier.height() <= box.height())
                return earlier.convertToFormat(QImage::Format_RGB32);
        }
        const QImage made = Fitted(DecodeReducedJpeg(path, box.width(), box.height()), box);
        if (hash) {
            // Written whole or not at all; a cache that cannot be written
            // only means the photo is decoded again next time.
            QSaveFile out(kept);
            if (out.open(QIODevice::WriteOnly) && made.save(&out, "PNG")) out.commit();
        }
        return made;
    } catch (const std::exception&) {
        return QImage();
    }
}

// The folder of the kept pictures, the user's alone; empty when it cannot
// be made so. Beyond kKeptAtMost pictures the least recently made go.
constexpr int kKeptAtMost = 4000;

QString PrepareCacheFolder() {
    const QString folder = toQt((UserCacheFolder() / "thumbnails").string());
    if (!QDir().mkpath(folder)) return QString();
    const std::string local = toLocalPath(folder).string();
    struct stat status;
    if (::lstat(local.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        return QString();
    if ((status.st_mode & 077) != 0 && ::chmod(local.c_str(), 0700) != 0) return QString();
    return folder;
}

void TrimCacheFolder(const QString& folder) {
    QFileInfoList kept = QDir(folder).entryInfoList({QStringLiteral("*.png")}, QDir::Files, QDir::Time);
    for (qsizetype k = kKeptAtMost * 3 / 4; kept.size() > kKeptAtMost && k < kept.size(); ++k)
        QFile::remove(kept[k].filePath());
}

}  // namespace

PictureThumbnails::PictureThumbnails(QObject* parent) : QObject(parent) {
    // Every core pictures photos, at low priority: the GUI thread comes
    // first whenever it has work, so the window keeps repainting while a
    // long list of photos is pictured, and an idle window lends its core.
    pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    pool_.setThreadPriority(QThread::LowPriority);
    cacheFolder_ = PrepareCacheFolder();
    if (!cacheFolder_.isEmpty())
        pool_.start(QRunnable::create([folder = cacheFolder_] { TrimCacheFolder(folder); }));
}

PictureThumbnails::~PictureThumbnails() {
    pool_.clear();
    pool_.waitForDone();
}

PictureThumbnails::Picture PictureThumbnails::picture(const QString& file, QSize box) {
    const QFileInfo info(file);
    const QString key = QStringLiteral("%1|%2|%3|%4x%5")
                            .arg(file)
                            .arg(info.exists() ? info.lastModified().toMSecsSinceEpoch() : -1)
                            .arg(info.size())
                            .arg(box.width())
                            .arg(box.height());
    const auto found = made_.constFind(key);
    if (found != made_.constEnd()) return *found;
    if (!info.isFile()) {
        // Nothing to decode: told at once, and asked again once the file is there.
        return Picture{true, true, QImage()};
    }
    if (!pending_.contains(key)) {
        pending_.insert(key);
        pool_.start(QRunnable::create([this, key, file, box, folder = cacheFolder_] {
            const QImage image = MakePicture(file, box, folder);
            QMetaObject::invokeMethod(
                this, [this, key, file, image] { deliver(key, file, image, image.isNull()); },
                Qt::QueuedConnection);
        }));
    }
    return Picture{};
}

void PictureThumbnails::deliver(const QString& key, const QString& file, const QImage& image, bool failed) {
    pending_.remove(key);
    made_.insert(key, Picture{true, failed, image});
    emit ready(file);
}

void PictureThumbnails::waitForIdle() {
    pool_.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

}  // namespace marivel
