#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QThreadPool>

namespace marivel {

// Small pictures of the items' photos: for the design tree's icons and the
// item page's preview. Off the GUI thread, the camera's Exif thumbnail is
// taken where it covers the box; otherwise the photo is decoded at a
// reduced DCT scale (a few per cent of a full decode), and the picture is
// kept in the user's cache folder ("thumbnails"), named by the hash of the
// photo's bytes, for the next run. Either is turned upright and fitted into
// the asked box with its aspect kept. Each picture is made once per run for
// each version of its file (its size and modification time), so a photo
// replaced on disk is pictured anew.
class PictureThumbnails final : public QObject {
    Q_OBJECT
public:
    explicit PictureThumbnails(QObject* parent = nullptr);
    // Drops what has not started and waits for what has.
    ~PictureThumbnails() override;

    struct Picture {
        bool ready = false;   // made (or found impossible to make)
        bool failed = false;  // missing, unreadable or no JPEG
        QImage image;         // fitted into the box; null unless made
    };
    // The picture of the file (an absolute path) fitted into box. When it is
    // not made yet, making it starts (once) and ready() tells when it is.
    Picture picture(const QString& file, QSize box);

    // Whether pictures are still being made.
    bool busy() const { return !pending_.isEmpty(); }
    // Waits until nothing is being made and delivers what was (tests, benchmarks).
    void waitForIdle();

signals:
    // A picture of the file was made or failed; ask picture() again.
    void ready(const QString& file);

private:
    void deliver(const QString& key, const QString& file, const QImage& image, bool failed);

    QThreadPool pool_;
    QString cacheFolder_;           // empty: nothing is kept between runs
    QHash<QString, Picture> made_;  // GUI thread only, like everything but the jobs
    QSet<QString> pending_;
};

}  // namespace marivel
