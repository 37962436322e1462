#include "editor/picture_thumbnails.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QRunnable>
#include <QTransform>
#include <algorithm>

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

// Null when the file cannot be pictured.
QImage MakePicture(const QString& file, QSize box) {
    try {
        const ReducedPicture reduced = DecodeReducedJpeg(toLocalPath(file), box.width(), box.height());
        const QImage stored(reduced.rgb.data(), reduced.width, reduced.height, reduced.width * 3,
                            QImage::Format_RGB888);
        return Upright(stored, reduced.orientation)
            .scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    } catch (const std::exception&) {
        return QImage();
    }
}

}  // namespace

PictureThumbnails::PictureThumbnails(QObject* parent) : QObject(parent) {
    // One core stays with the GUI thread, so the window keeps repainting
    // while a long list of photos is pictured.
    pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
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
        pool_.start(QRunnable::create([this, key, file, box] {
            const QImage image = MakePicture(file, box);
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
