#include "output/jpeg_probe.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "model/error.h"
#include "model/user_file.h"
#include "output/jpeg_prepare.h"

namespace marivel {

namespace {

// Everything the C-style routine touches lives outside its frame, so nothing
// it needs is indeterminate after a longjmp and no C++ object is alive
// across the setjmp.
struct ProbeJob {
    std::FILE* file;              // read from the file, or
    const unsigned char* memory;  // from these bytes, whose orientation is preset
    std::size_t memorySize;
    bool keepThumbnail;        // copy the Exif thumbnail out
    unsigned char* thumbnail;  // malloc'ed, thumbnailSize bytes
    std::size_t thumbnailSize;
    bool decode;
    int boxWidth;
    int boxHeight;
    int uprightWidth;
    int uprightHeight;
    Orientation orientation;
    int width;
    int height;
    unsigned char* rgb;  // malloc'ed, width * height * 3
    char error[JMSG_LENGTH_MAX + 100];
    jpeg_decompress_struct src;
};

struct ProbeErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    ProbeJob* job;
};

void OnProbeError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ProbeErrors*>(cinfo->err);
    if (errors->job->error[0] == '\0') (*cinfo->err->format_message)(cinfo, errors->job->error);
    std::longjmp(errors->jump, 1);
}

// Damaged data decodes grey, as in a browser: a thumbnail of a damaged
// photo is still a fair picture of it.
void OnProbeMessage(j_common_ptr, int) {}

[[noreturn]] void FailProbe(ProbeJob* job, const char* reason) {
    std::snprintf(job->error, sizeof job->error, "%s", reason);
    std::longjmp(reinterpret_cast<ProbeErrors*>(job->src.err)->jump, 1);
}

void ReadHeader(ProbeJob* job) {
    j_decompress_ptr src = &job->src;
    src->mem->max_memory_to_use = kMaxDecoderMemory;
    if (job->memory)
        jpeg_mem_src(src, job->memory, static_cast<unsigned long>(job->memorySize));
    else
        jpeg_stdio_src(src, job->file);
    jpeg_save_markers(src, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(src, TRUE);
    // The first Exif block that names an orientation decides, as in browsers.
    Orientation o = job->memory ? job->orientation : Orientation::Upright;
    for (jpeg_saved_marker_ptr m = src->marker_list; m && !job->memory && o == Orientation::Upright;
         m = m->next)
        if (m->marker == JPEG_APP0 + 1) o = ExifOrientation(m->data, m->data_length);
    for (jpeg_saved_marker_ptr m = src->marker_list; m && job->keepThumbnail && !job->thumbnail;
         m = m->next) {
        if (m->marker != JPEG_APP0 + 1) continue;
        const ExifThumbnailPlace place = ExifThumbnail(m->data, m->data_length);
        if (place.size == 0) continue;
        job->thumbnail = static_cast<unsigned char*>(std::malloc(place.size));
        if (!job->thumbnail) FailProbe(job, "out of memory");
        std::memcpy(job->thumbnail, m->data + place.offset, place.size);
        job->thumbnailSize = place.size;
    }
    const auto pixels = static_cast<unsigned long long>(src->image_width) * src->image_height;
    if (pixels > kMaxSourcePixels) FailProbe(job, "the picture is larger than 400 megapixels");
    const bool swaps = SwapsSides(o);
    job->orientation = o;
    job->uprightWidth = static_cast<int>(swaps ? src->image_height : src->image_width);
    job->uprightHeight = static_cast<int>(swaps ? src->image_width : src->image_height);
}

// The largest reduction that still covers the box with the upright sides.
int ScaleDenominator(const ProbeJob* job) {
    const double fit = std::min(static_cast<double>(job->boxWidth) / job->uprightWidth,
                                static_cast<double>(job->boxHeight) / job->uprightHeight);
    for (int denominator : {8, 4, 2})
        if (denominator * fit <= 1.0) return denominator;
    return 1;
}

void DecodeRows(ProbeJob* job) {
    j_decompress_ptr src = &job->src;
    const bool cmyk = src->jpeg_color_space == JCS_CMYK || src->jpeg_color_space == JCS_YCCK;
    src->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    src->scale_num = 1;
    src->scale_denom = static_cast<unsigned>(ScaleDenominator(job));
    src->dct_method = JDCT_IFAST;
    jpeg_start_decompress(src);
    const JDIMENSION w = src->output_width, h = src->output_height;
    const int components = src->output_components;
    job->width = static_cast<int>(w);
    job->height = static_cast<int>(h);
    job->rgb = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(w) * h * 3));
    if (!job->rgb) FailProbe(job, "out of memory");
    JSAMPARRAY row = (*src->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(src), JPOOL_IMAGE,
                                               w * static_cast<JDIMENSION>(components), 1);
    // CMYK from Adobe applications is stored inverted (0 = full ink).
    const bool inverted = src->saw_Adobe_marker != 0;
    while (src->output_scanline < h) {
        unsigned char* out = job->rgb + static_cast<std::size_t>(src->output_scanline) * w * 3;
        jpeg_read_scanlines(src, row, 1);
        for (JDIMENSION x = 0; x < w; ++x) {
            const JSAMPLE* p = row[0] + x * static_cast<JDIMENSION>(components);
            if (components == 3) {
                std::memcpy(out + 3 * x, p, 3);
                continue;
            }
            const unsigned k = inverted ? p[3] : 255u - p[3];
            for (int c = 0; c < 3; ++c) {
                const unsigned ink = inverted ? p[c] : 255u - p[c];
                out[3 * x + c] = static_cast<unsigned char>((ink * k + 127) / 255);
            }
        }
    }
    jpeg_finish_decompress(src);
}

// Returns false with job->error set; libjpeg errors arrive here by longjmp.
bool RunProbe(ProbeJob* job) {
    ProbeErrors errors;
    job->src.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnProbeError;
    errors.pub.emit_message = OnProbeMessage;
    errors.job = job;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&job->src);
        return false;
    }
    jpeg_create_decompress(&job->src);
    ReadHeader(job);
    if (job->decode) DecodeRows(job);
    jpeg_destroy_decompress(&job->src);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct JobFree {
    void operator()(ProbeJob* job) const {
        std::free(job->rgb);
        std::free(job->thumbnail);
        delete job;
    }
};
using JobPointer = std::unique_ptr<ProbeJob, JobFree>;

JobPointer NewJob(int boxWidth, int boxHeight) {
    JobPointer job(new ProbeJob);
    std::memset(job.get(), 0, sizeof(ProbeJob));
    job->boxWidth = boxWidth < 1 ? 1 : boxWidth;
    job->boxHeight = boxHeight < 1 ? 1 : boxHeight;
    return job;
}

// Runs the probe on path.
JobPointer Probe(const std::filesystem::path& path, bool decode, int boxWidth, int boxHeight,
                 bool keepThumbnail = false) {
    // A FIFO or a device among the pictures is refused, never waited on.
    std::string reason;
    const int fd = OpenUserFile(path, kPictureFileKind, reason);
    if (fd < 0) throw Error("Cannot read the picture \"" + path.string() + "\": " + reason);
    std::unique_ptr<std::FILE, FileCloser> file(::fdopen(fd, "rb"));
    if (!file) {
        const int err = errno;
        ::close(fd);
        throw Error("Cannot read the picture \"" + path.string() + "\": " + std::strerror(err));
    }
    JobPointer job = NewJob(boxWidth, boxHeight);
    job->file = file.get();
    job->decode = decode;
    job->keepThumbnail = keepThumbnail;
    if (!RunProbe(job.get())) throw Error("Cannot read the picture \"" + path.string() + "\": " + job->error);
    return job;
}

ReducedPicture PictureOf(const ProbeJob& job) {
    ReducedPicture picture;
    picture.width = job.width;
    picture.height = job.height;
    picture.orientation = job.orientation;
    picture.rgb.assign(job.rgb, job.rgb + static_cast<std::size_t>(job.width) * job.height * 3);
    return picture;
}

}  // namespace

JpegHeader ReadJpegHeader(const std::filesystem::path& path) {
    const JobPointer job = Probe(path, false, 1, 1);
    return JpegHeader{job->uprightWidth, job->uprightHeight, job->orientation};
}

ReducedPicture DecodeReducedJpeg(const std::filesystem::path& path, int boxWidth, int boxHeight) {
    return PictureOf(*Probe(path, true, boxWidth, boxHeight));
}

std::optional<ReducedPicture> ReadExifThumbnail(const std::filesystem::path& path, int boxWidth,
                                                int boxHeight) {
    const JobPointer header = Probe(path, false, boxWidth, boxHeight, true);
    if (!header->thumbnail) return std::nullopt;
    JobPointer job = NewJob(boxWidth, boxHeight);
    job->memory = header->thumbnail;
    job->memorySize = header->thumbnailSize;
    job->orientation = header->orientation;
    job->decode = true;
    // A damaged thumbnail only means the picture itself is decoded.
    if (!RunProbe(job.get())) return std::nullopt;
    // Stored the other way round from the picture: the sides swap.
    const bool swaps = SwapsSides(header->orientation);
    const long long width = swaps ? job->height : job->width, height = swaps ? job->width : job->height;
    // Only a thumbnail of the picture's own shape: many cameras pad the
    // thumbnail of a wide photo with black bars to 4:3.
    const long long pictureWidth = header->uprightWidth, pictureHeight = header->uprightHeight;
    if (std::llabs(width * pictureHeight - height * pictureWidth) * 50 > pictureWidth * height)
        return std::nullopt;
    // ... and big enough for the box, which would show a smaller one blurred.
    const double fit = std::min(static_cast<double>(job->boxWidth) / static_cast<double>(pictureWidth),
                                static_cast<double>(job->boxHeight) / static_cast<double>(pictureHeight));
    if (static_cast<double>(width) < fit * static_cast<double>(pictureWidth) - 0.5 ||
        static_cast<double>(height) < fit * static_cast<double>(pictureHeight) - 0.5)
        return std::nullopt;
    return PictureOf(*job);
}

std::vector<HeaderRead> ReadJpegHeaders(const std::vector<std::filesystem::path>& files,
                                        const std::function<void(std::size_t done)>& whileWaiting) {
    std::vector<HeaderRead> results(files.size());
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t done = 0;
    // One reader is enough: a header is a few kilobytes at the start of the
    // file, so the disk, not the processor, sets the pace.
    std::thread reader([&] {
        for (std::size_t i = 0; i < files.size(); ++i) {
            HeaderRead read;
            try {
                read.header = ReadJpegHeader(files[i]);
            } catch (const std::exception& e) {
                read.error = e.what();
            }
            const std::lock_guard<std::mutex> lock(mutex);
            results[i] = std::move(read);
            ++done;
            changed.notify_one();
        }
    });
    // The reader is waited for on every way out, also when whileWaiting throws.
    struct Joiner {
        std::thread& thread;
        ~Joiner() { thread.join(); }
    } joiner{reader};
    std::unique_lock<std::mutex> lock(mutex);
    while (done < files.size()) {
        changed.wait_for(lock, std::chrono::milliseconds(30), [&] { return done == files.size(); });
        const std::size_t now = done;
        if (whileWaiting) {
            lock.unlock();
            whileWaiting(now);
            lock.lock();
        }
    }
    return results;
}

}  // namespace marivel
