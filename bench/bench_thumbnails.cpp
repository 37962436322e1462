// The thumbnails of a folder of photos, as the editor's tree shows them.
//
//   bench_thumbnails add-exif IN OUT   copies the JPEG IN to OUT with an Exif
//                                      block holding a 160 x 120 thumbnail,
//                                      as cameras write one
//   bench_thumbnails time FOLDER       the seconds until every *.jpg of
//                                      FOLDER has its 32 x 32 picture, then
//                                      once more as a later run of the
//                                      editor (pictures kept on disk)
//
// The pictures kept between runs go to $XDG_CACHE_HOME/Marivel/thumbnails:
// point XDG_CACHE_HOME at an empty folder for a first run
// (bench/run_thumbnail_bench.sh does).
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "editor/picture_thumbnails.h"
#include "output/jpeg_probe.h"

namespace {

using namespace marivel;

void Put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// An APP1 Exif block (little-endian) whose first directory holds the
// orientation and whose second points at the thumbnail.
std::string ExifWithThumbnail(const std::string& thumbnail) {
    std::string tiff = "II";
    Put(tiff, 42, 2);
    Put(tiff, 8, 4);
    Put(tiff, 1, 2);  // one entry: orientation 1
    Put(tiff, 0x0112, 2);
    Put(tiff, 3, 2);
    Put(tiff, 1, 4);
    Put(tiff, 1, 4);
    const std::uint32_t second = 8 + 2 + 12 + 4;
    Put(tiff, second, 4);
    Put(tiff, 2, 2);
    const std::uint32_t data = second + 2 + 2 * 12 + 4;
    for (const auto& [tag, value] : {std::pair<std::uint32_t, std::uint32_t>{0x0201, data},
                                     {0x0202, static_cast<std::uint32_t>(thumbnail.size())}}) {
        Put(tiff, tag, 2);
        Put(tiff, 4, 2);
        Put(tiff, 1, 4);
        Put(tiff, value, 4);
    }
    Put(tiff, 0, 4);
    tiff += thumbnail;
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    std::string marker = "\xFF\xE1";
    marker += static_cast<char>(((payload.size() + 2) >> 8) & 0xFF);
    marker += static_cast<char>((payload.size() + 2) & 0xFF);
    return marker + payload;
}

int AddExif(const char* in, const char* out) {
    std::ifstream file(in, std::ios::binary);
    const std::string photo((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (photo.size() < 4 || photo.compare(0, 2, "\xFF\xD8") != 0) {
        std::fprintf(stderr, "%s: no JPEG\n", in);
        return 1;
    }
    const ReducedPicture reduced = DecodeReducedJpeg(in, 160, 120);
    const QImage small =
        QImage(reduced.rgb.data(), reduced.width, reduced.height, reduced.width * 3, QImage::Format_RGB888)
            .scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "JPG", 80);
    const std::string exif = ExifWithThumbnail(std::string(encoded.constData(), encoded.size()));
    std::ofstream(out, std::ios::binary) << photo.substr(0, 2) << exif << photo.substr(2);
    return 0;
}

double Seconds(const QStringList& files) {
    PictureThumbnails pictures;
    QElapsedTimer clock;
    clock.start();
    for (const QString& file : files) pictures.picture(file, QSize(32, 32));
    pictures.waitForIdle();
    const double seconds = clock.elapsed() / 1000.0;
    int made = 0;
    for (const QString& file : files) made += pictures.picture(file, QSize(32, 32)).image.isNull() ? 0 : 1;
    std::printf("  %d of %lld pictured in %.2f s\n", made, static_cast<long long>(files.size()), seconds);
    return seconds;
}

int Time(const char* folder) {
    QStringList files;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files))
        files << QDir(folder).filePath(name);
    std::printf("first run\n");
    Seconds(files);
    std::printf("a later run (pictures kept on disk where the photo has no thumbnail)\n");
    Seconds(files);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "add-exif" && argc == 4) return AddExif(argv[2], argv[3]);
    if (mode == "time" && argc == 3) return Time(argv[2]);
    std::fprintf(stderr, "usage: bench_thumbnails add-exif IN OUT | time FOLDER\n");
    return 2;
}
