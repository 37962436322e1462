#include "output/jpeg_prepare.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "model/descriptor_closer.h"
#include "model/error.h"
#include "model/user_file.h"
#include "model/whole_file.h"
#include "output/content_hash.h"
#include "output/memory_gate.h"
#include "output/smooth_resampler.h"

namespace marivel {

namespace {

// The sides of an image of w x h scaled to sliderWidth (> 0); false when a
// side would not fit in a JPEG.
bool ScaleSides(int w, int h, int sliderWidth, int& outWidth, int& outHeight) {
    const float factor = static_cast<float>(static_cast<double>(w) / sliderWidth);
    // nearbyint rounds halves to even in the default rounding mode.
    const double sw = std::nearbyint(static_cast<double>(w) / static_cast<double>(factor));
    const double sh = std::nearbyint(static_cast<double>(h) / static_cast<double>(factor));
    if (!(sw <= kMaxJpegSide) || !(sh <= kMaxJpegSide)) return false;
    outWidth = sw < 1 ? 1 : static_cast<int>(sw);
    outHeight = sh < 1 ? 1 : static_cast<int>(sh);
    return true;
}

// The source is read in large pieces straight from its descriptor: the
// standard reader asks for 4 KiB at a time, a system call each.
constexpr std::size_t kInputChunk = 1 << 16;

struct DescriptorSource {
    jpeg_source_mgr pub;
    int fd;
    JOCTET* buffer;  // kInputChunk bytes
    bool startOfFile;
    ContentHash* hash;  // fed every byte read, or null
};

// The prepared copy grows in memory; it is freed by the caller, also after
// an error.
struct MemoryDestination {
    jpeg_destination_mgr pub;
    JOCTET* data;
    std::size_t capacity;
    std::size_t size;
};

// The filters of a smooth preparation: one per copy. They live in the
// frame that calls the C-style routine, so a longjmp never skips them.
struct SmoothScalers {
    std::optional<SmoothResampler> single;
    std::optional<SmoothResampler> doubled;
};

// Everything the C-style decode/encode routine touches lives here, outside
// the routine's own frame, so nothing it needs is indeterminate after a
// longjmp and no C++ object is alive across the setjmp.
struct PrepareJob {
    DescriptorSource in;
    MemoryDestination out;
    MemoryGate* memory;
    const std::atomic<bool>* cancel;
    std::size_t reserved;  // held from `memory`
    bool waitForMemory;
    std::size_t memoryNotFree;  // the need that did not fit, or 0
    int sliderWidth;
    ResizeMode resize;
    int passScale;    // exact mode: 2 makes the double-density copy alone
    bool wantDouble;  // smooth mode: the double-density copy too, if the source allows
    bool makeDouble;  // ... and it does
    SmoothScalers* scalers;
    Orientation orientation;
    int sourceWidth;  // upright
    int sourceHeight;
    int width;
    int height;
    char error[JMSG_LENGTH_MAX + 200];
    char warning[JMSG_LENGTH_MAX];
    jpeg_decompress_struct src;
    jpeg_compress_struct dst;
    MemoryDestination out2;  // the double-density copy of a smooth preparation
    jpeg_compress_struct dst2;
};

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    PrepareJob* job;
};

struct ProgressMonitor {
    jpeg_progress_mgr pub;
    ErrorManager* errors;
};

[[noreturn]] void Fail(ErrorManager* errors) {
    std::longjmp(errors->jump, 1);
}

void OnError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    PrepareJob* job = errors->job;
    if (job->error[0] == '\0') {
        if (cinfo->err->msg_code == JERR_NO_BACKING_STORE) {
            std::snprintf(job->error, sizeof job->error, "decoding it needs more than %ld MiB of memory",
                          kMaxDecoderMemory / (1024 * 1024));
        } else {
            (*cinfo->err->format_message)(cinfo, job->error);
        }
    }
    Fail(errors);
}

// A premature end of data is acceptable while enough of the picture is
// there: half of its rows, or for a progressive file one complete scan.
bool EnoughDataBeforeEnd(j_decompress_ptr d) {
    if (d->global_state == 0 || d->total_iMCU_rows == 0) return true;  // no image yet: the decoder decides
    if (d->input_scan_number > 1) return true;
    return 2 * static_cast<unsigned long>(d->input_iMCU_row) >= d->total_iMCU_rows;
}

void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    PrepareJob* job = errors->job;
    cinfo->err->num_warnings++;
    if (job->warning[0] == '\0') (*cinfo->err->format_message)(cinfo, job->warning);
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    // The data ends either where the file ends (libjpeg then supplies an end
    // marker of its own) or at an end marker inside the compressed data, as
    // in a cut file that some tool closed properly. Both leave the rest of
    // the picture grey, so both get the same rule.
    const int code = cinfo->err->msg_code;
    const bool dataEnds = code == JWRN_JPEG_EOF || (code == JWRN_HIT_MARKER && d->unread_marker == JPEG_EOI);
    if (dataEnds) {
        if (!EnoughDataBeforeEnd(d)) {
            std::snprintf(job->error, sizeof job->error,
                          "the file ends early, only %u of %u block rows are present", d->input_iMCU_row,
                          d->total_iMCU_rows);
            Fail(errors);
        }
    }
}

void OnProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* monitor = reinterpret_cast<ProgressMonitor*>(cinfo->progress);
    PrepareJob* job = monitor->errors->job;
    if (d->input_scan_number > kMaxProgressiveScans) {
        std::snprintf(job->error, sizeof job->error, "it has more than %d progressive scans",
                      kMaxProgressiveScans);
        Fail(monitor->errors);
    }
    if (job->cancel && job->cancel->load(std::memory_order_relaxed)) {
        std::snprintf(job->error, sizeof job->error, "it was no longer needed");
        Fail(monitor->errors);
    }
}

// The source manager over a file descriptor, with the standard reader's
// behaviour at the end of the data: an empty file is an error, a file that
// ends early gets an end marker and a warning.
void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    auto* in = reinterpret_cast<DescriptorSource*>(cinfo->src);
    ssize_t got;
    do {
        got = ::read(in->fd, in->buffer, kInputChunk);
    } while (got < 0 && errno == EINTR);
    if (got > 0 && in->hash) in->hash->update(in->buffer, static_cast<std::size_t>(got));
    if (got <= 0) {
        if (in->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        in->buffer[0] = 0xFF;
        in->buffer[1] = JPEG_EOI;
        got = 2;
    }
    in->pub.next_input_byte = in->buffer;
    in->pub.bytes_in_buffer = static_cast<std::size_t>(got);
    in->startOfFile = false;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* in = cinfo->src;
    auto left = static_cast<std::size_t>(count);
    while (left > in->bytes_in_buffer) {
        left -= in->bytes_in_buffer;
        FillInput(cinfo);
    }
    in->next_input_byte += left;
    in->bytes_in_buffer -= left;
}

void TermSource(j_decompress_ptr) {}

void StartDestination(j_compress_ptr cinfo) {
    auto* out = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    if (!out->data) {
        out->capacity = 1 << 16;
        out->data = static_cast<JOCTET*>(std::malloc(out->capacity));
        if (!out->data) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    }
    out->pub.next_output_byte = out->data;
    out->pub.free_in_buffer = out->capacity;
}

boolean GrowDestination(j_compress_ptr cinfo) {
    auto* out = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const std::size_t used = out->capacity;  // the whole buffer is full when this is called
    auto* grown = static_cast<JOCTET*>(std::realloc(out->data, 2 * out->capacity));
    if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    out->data = grown;
    out->capacity *= 2;
    out->pub.next_output_byte = out->data + used;
    out->pub.free_in_buffer = out->capacity - used;
    return TRUE;
}

void EndDestination(j_compress_ptr cinfo) {
    auto* out = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    out->size = out->capacity - out->pub.free_in_buffer;
}

// Whether a picture in this orientation streams (StreamRows): its rows come
// in the source's order, mirrored left to right at most. The others are
// gathered whole at their prepared size first (GatherTurnedRows).
bool Streams(Orientation o) {
    return o == Orientation::Upright || o == Orientation::MirrorX;
}

// What the decoder will hold at once: a few row groups while it streams,
// every coefficient when the file has several scans, and the gathered
// picture when it must be turned.
std::size_t DecoderMemory(j_decompress_ptr src, const PrepareJob* job) {
    std::size_t need =
        static_cast<std::size_t>(src->image_width) * static_cast<std::size_t>(src->num_components) * 64;
    if (jpeg_has_multiple_scans(src)) {
        for (int c = 0; c < src->num_components; ++c) {
            const jpeg_component_info& info = src->comp_info[c];
            const auto up = [](std::size_t n, std::size_t m) { return (n + m - 1) / m * m; };
            need += up(info.width_in_blocks, static_cast<std::size_t>(info.h_samp_factor)) *
                    up(info.height_in_blocks, static_cast<std::size_t>(info.v_samp_factor)) * sizeof(JBLOCK);
        }
    }
    if (!Streams(job->orientation))
        need += 3 * static_cast<std::size_t>(job->width) * static_cast<std::size_t>(job->height) *
                (job->makeDouble ? 5 : 1);
    if (job->resize == ResizeMode::Smooth) {
        const bool swaps = SwapsSides(job->orientation);
        const int w = swaps ? job->height : job->width, h = swaps ? job->width : job->height;
        const auto in = [&](JDIMENSION n) { return static_cast<int>(n); };
        if (job->makeDouble)
            need += SmoothResampler::MemoryFor(in(src->output_width), in(src->output_height), 2 * w, 2 * h) +
                    SmoothResampler::MemoryFor(2 * w, 2 * h, w, h);
        else
            need += SmoothResampler::MemoryFor(in(src->output_width), in(src->output_height), w, h);
    }
    return need;
}

// One source pixel into RGB. CMYK from Adobe applications is stored
// inverted (0 = full ink); plain CMYK is not.
inline void ToRgb(const JSAMPLE* p, int components, bool invertedCmyk, JSAMPLE* rgb) {
    if (components == 3) {
        rgb[0] = p[0];
        rgb[1] = p[1];
        rgb[2] = p[2];
        return;
    }
    const unsigned k = invertedCmyk ? p[3] : 255u - p[3];
    for (int c = 0; c < 3; ++c) {
        const unsigned ink = invertedCmyk ? p[c] : 255u - p[c];
        rgb[c] = static_cast<JSAMPLE>((ink * k + 127) / 255);
    }
}

Orientation OrientationOf(j_decompress_ptr src) {
    for (jpeg_saved_marker_ptr m = src->marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1) {
            const Orientation o = ExifOrientation(m->data, m->data_length);
            if (o != Orientation::Upright) return o;
        }
    return Orientation::Upright;
}

// Smooth mode lets the decoder shrink the picture by the largest of its
// eighths that leaves at least twice the largest copy's size: the filter
// still sees enough of the detail to keep it without aliasing, and the
// decoder does much less work.
void ChooseDecodeScale(PrepareJob* job) {
    j_decompress_ptr src = &job->src;
    const bool swaps = SwapsSides(job->orientation);
    const unsigned factor = job->makeDouble ? 2 : 1;
    const auto width = static_cast<unsigned long>(swaps ? job->height : job->width) * factor;
    const auto height = static_cast<unsigned long>(swaps ? job->width : job->height) * factor;
    for (unsigned eighths = 1; eighths <= 8; ++eighths) {
        src->scale_num = eighths;
        src->scale_denom = 8;
        jpeg_calc_output_dimensions(src);
        if (src->output_width >= 2 * width && src->output_height >= 2 * height) return;
    }
}

void StartDecoder(PrepareJob* job) {
    j_decompress_ptr src = &job->src;
    src->mem->max_memory_to_use = kMaxDecoderMemory;
    job->in.pub.init_source = InitSource;
    job->in.pub.fill_input_buffer = FillInput;
    job->in.pub.skip_input_data = SkipInput;
    job->in.pub.resync_to_restart = jpeg_resync_to_restart;
    job->in.pub.term_source = TermSource;
    job->in.startOfFile = true;
    src->src = &job->in.pub;
    // Exif sits in APP1 markers (XMP too, which the parser passes over).
    jpeg_save_markers(src, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(src, TRUE);
    job->orientation = OrientationOf(src);
    const bool swaps = SwapsSides(job->orientation);
    job->sourceWidth = static_cast<int>(swaps ? src->image_height : src->image_width);
    job->sourceHeight = static_cast<int>(swaps ? src->image_width : src->image_height);
    // Checked before any buffer is allocated: a tiny file can declare a
    // gigapixel image.
    const auto pixels = static_cast<unsigned long long>(src->image_width) * src->image_height;
    if (pixels > kMaxSourcePixels) {
        std::snprintf(job->error, sizeof job->error, "it is %u x %u pixels, more than %llu megapixels",
                      src->image_width, src->image_height, kMaxSourcePixels / 1000000ULL);
        Fail(reinterpret_cast<ErrorManager*>(src->err));
    }
    if (!ScaleSides(job->sourceWidth, job->sourceHeight, job->sliderWidth, job->width, job->height)) {
        std::snprintf(job->error, sizeof job->error, "scaled to width %d it would exceed %d pixels",
                      job->sliderWidth, kMaxJpegSide);
        Fail(reinterpret_cast<ErrorManager*>(src->err));
    }
    job->width *= job->passScale;
    job->height *= job->passScale;
    job->makeDouble = job->wantDouble &&
                      HasDoubleDensityCopy(job->sourceWidth, job->sourceHeight, {job->width, job->height});
    // A picture that is turned is gathered whole at its prepared size first.
    const auto turned = 3ULL * static_cast<unsigned long long>(job->width) *
                        static_cast<unsigned long long>(job->height) * (job->makeDouble ? 5 : 1);
    if (!Streams(job->orientation) && turned > static_cast<unsigned long long>(kMaxDecoderMemory)) {
        std::snprintf(job->error, sizeof job->error,
                      "turning it upright at %d x %d pixels needs more than %ld MiB of memory", job->width,
                      job->height, kMaxDecoderMemory / (1024 * 1024));
        Fail(reinterpret_cast<ErrorManager*>(src->err));
    }
    const bool cmyk = src->jpeg_color_space == JCS_CMYK || src->jpeg_color_space == JCS_YCCK;
    src->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (job->resize == ResizeMode::Smooth) ChooseDecodeScale(job);
    if (job->memory) {
        const std::size_t need = DecoderMemory(src, job);
        const bool got = job->waitForMemory ? job->memory->acquire(need) : job->memory->tryAcquire(need);
        if (!got) {
            if (job->waitForMemory)
                std::snprintf(job->error, sizeof job->error, "it was no longer needed");
            else
                job->memoryNotFree = need;
            Fail(reinterpret_cast<ErrorManager*>(src->err));
        }
        job->reserved = need;
    }
    jpeg_start_decompress(src);
}

void StartEncoder(j_compress_ptr dst, MemoryDestination* out, int width, int height) {
    out->pub.init_destination = StartDestination;
    out->pub.empty_output_buffer = GrowDestination;
    out->pub.term_destination = EndDestination;
    dst->dest = &out->pub;
    dst->image_width = static_cast<JDIMENSION>(width);
    dst->image_height = static_cast<JDIMENSION>(height);
    dst->input_components = 3;
    dst->in_color_space = JCS_RGB;
    jpeg_set_defaults(dst);
    jpeg_set_quality(dst, 90, TRUE);
    jpeg_start_compress(dst, TRUE);
}

// The source pixel under the centre of destination pixel `at` of `count`
// along a side of `size` pixels.
inline JDIMENSION Sample(JDIMENSION at, JDIMENSION count, JDIMENSION size) {
    return static_cast<JDIMENSION>((2ULL * at + 1) * size / (2ULL * count));
}

// Pictures that need no turning go straight through: each destination row
// is sampled from one source row as the rows stream past, so nothing but a
// row of each is held.
void StreamRows(PrepareJob* job) {
    j_decompress_ptr src = &job->src;
    j_compress_ptr dst = &job->dst;
    const int components = src->output_components;
    const bool inverted = src->saw_Adobe_marker != 0;
    const bool mirrored = job->orientation == Orientation::MirrorX;
    const JDIMENSION w = src->output_width, h = src->output_height;
    const auto ow = static_cast<JDIMENSION>(job->width), oh = static_cast<JDIMENSION>(job->height);

    JSAMPARRAY in = (*src->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(src), JPOOL_IMAGE,
                                              w * static_cast<JDIMENSION>(components), 1);
    JSAMPARRAY out = (*dst->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(dst), JPOOL_IMAGE, ow * 3, 1);
    auto* columns = static_cast<JDIMENSION*>(
        (*dst->mem->alloc_large)(reinterpret_cast<j_common_ptr>(dst), JPOOL_IMAGE, ow * sizeof(JDIMENSION)));
    for (JDIMENSION x = 0; x < ow; ++x) {
        const JDIMENSION column = Sample(x, ow, w);
        columns[x] = (mirrored ? w - 1 - column : column) * static_cast<JDIMENSION>(components);
    }

    long lastRow = -1;
    for (JDIMENSION y = 0; y < oh; ++y) {
        const JDIMENSION row = Sample(y, oh, h);
        if (static_cast<long>(row) != lastRow) {
            if (row > src->output_scanline) jpeg_skip_scanlines(src, row - src->output_scanline);
            jpeg_read_scanlines(src, in, 1);
            lastRow = static_cast<long>(row);
            for (JDIMENSION x = 0; x < ow; ++x)
                ToRgb(in[0] + columns[x], components, inverted, out[0] + 3 * x);
        }
        jpeg_write_scanlines(dst, out, 1);
    }
}

// Which upright axis runs against the stored one.
bool FlipsRows(Orientation o) {
    return o == Orientation::Turn180 || o == Orientation::MirrorY || o == Orientation::Turn90 ||
           o == Orientation::Transverse;
}
bool FlipsColumns(Orientation o) {
    return o == Orientation::Turn180 || o == Orientation::Transverse || o == Orientation::Turn270 ||
           o == Orientation::MirrorX;
}

// Pictures that must be turned or flipped top to bottom need their source
// rows in another order than the destination's, so the sampled pixels are
// gathered into the destination-sized picture first (small: the slider
// width), then encoded. The source is still read once, top to bottom, and
// only its sampled rows are decoded.
//
// Destination pixel (x, y) shows the upright picture's pixel (u, v) under
// its centre. Without a swap of sides, each destination row ("line") comes
// from one source row and each column from one source column; with a swap,
// each destination column is a line taken from one source row, and each
// destination row picks one source column.
void GatherTurnedRows(PrepareJob* job) {
    j_decompress_ptr src = &job->src;
    j_compress_ptr dst = &job->dst;
    const int components = src->output_components;
    const bool inverted = src->saw_Adobe_marker != 0;
    const Orientation o = job->orientation;
    const bool swaps = SwapsSides(o);
    const JDIMENSION w = src->output_width, h = src->output_height;  // as stored
    const auto ow = static_cast<JDIMENSION>(job->width), oh = static_cast<JDIMENSION>(job->height);
    const JDIMENSION uw = swaps ? h : w, uh = swaps ? w : h;  // upright
    const bool flipRows = FlipsRows(o), flipColumns = FlipsColumns(o);

    const auto common = reinterpret_cast<j_common_ptr>(dst);
    JSAMPARRAY in = (*src->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(src), JPOOL_IMAGE,
                                              w * static_cast<JDIMENSION>(components), 1);
    JSAMPARRAY picture = (*dst->mem->alloc_sarray)(common, JPOOL_IMAGE, ow * 3, oh);
    const JDIMENSION lines = swaps ? ow : oh, positions = swaps ? oh : ow;
    auto* lineRow =
        static_cast<JDIMENSION*>((*dst->mem->alloc_large)(common, JPOOL_IMAGE, lines * sizeof(JDIMENSION)));
    auto* positionColumn = static_cast<JDIMENSION*>(
        (*dst->mem->alloc_large)(common, JPOOL_IMAGE, positions * sizeof(JDIMENSION)));
    for (JDIMENSION i = 0; i < lines; ++i) {
        // A line's upright coordinate: v of a destination row, u of a column.
        const JDIMENSION upright = swaps ? Sample(i, ow, uw) : Sample(i, oh, uh);
        lineRow[i] = flipRows ? h - 1 - upright : upright;
    }
    for (JDIMENSION j = 0; j < positions; ++j) {
        const JDIMENSION upright = swaps ? Sample(j, oh, uh) : Sample(j, ow, uw);
        positionColumn[j] = (flipColumns ? w - 1 - upright : upright) * static_cast<JDIMENSION>(components);
    }

    // The source rows of the lines run one way or the other: visit the lines
    // so that the rows come top to bottom.
    const bool backwards = lines > 1 && lineRow[0] > lineRow[lines - 1];
    long lastRow = -1;
    for (JDIMENSION k = 0; k < lines; ++k) {
        const JDIMENSION i = backwards ? lines - 1 - k : k;
        const JDIMENSION row = lineRow[i];
        if (static_cast<long>(row) != lastRow) {
            if (row > src->output_scanline) jpeg_skip_scanlines(src, row - src->output_scanline);
            jpeg_read_scanlines(src, in, 1);
            lastRow = static_cast<long>(row);
        }
        for (JDIMENSION j = 0; j < positions; ++j) {
            JSAMPLE* pixel = swaps ? picture[j] + 3 * i : picture[i] + 3 * j;
            ToRgb(in[0] + positionColumn[j], components, inverted, pixel);
        }
    }
    for (JDIMENSION y = 0; y < oh; ++y) jpeg_write_scanlines(dst, picture + y, 1);
}

// One copy of a smooth preparation: its filter, its encoder and, for a
// picture that must be turned, the picture it is gathered into.
struct SmoothOutput {
    SmoothResampler* scaler;
    j_compress_ptr dst;
    JDIMENSION width, height;  // upright, as encoded
    JSAMPARRAY gathered;       // null when the rows stream
    JSAMPARRAY row;            // a mirrored row on its way to the encoder
};

// Builds the filters; false when their memory cannot be had. Nothing of
// libjpeg runs here, so no longjmp can pass over the exception.
bool MakeScalers(PrepareJob* job) noexcept {
    const bool swaps = SwapsSides(job->orientation);
    const int w = swaps ? job->height : job->width, h = swaps ? job->width : job->height;
    const auto in = [](JDIMENSION n) { return static_cast<int>(n); };
    // The single copy is filtered from the double one's rows when there is
    // one: a quarter of the work of filtering the decoded rows again, and
    // the two copies show the same picture.
    try {
        if (job->makeDouble) {
            job->scalers->doubled.emplace(in(job->src.output_width), in(job->src.output_height), 2 * w,
                                          2 * h);
            job->scalers->single.emplace(2 * w, 2 * h, w, h);
        } else {
            job->scalers->single.emplace(in(job->src.output_width), in(job->src.output_height), w, h);
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// A filtered row, in the stored orientation, goes to its copy: straight to
// the encoder when the picture stands upright (mirrored when it must be),
// else into its place in the turned picture.
void EmitSmoothRow(PrepareJob* job, SmoothOutput& out, JDIMENSION storedRow, const std::uint8_t* pixels) {
    const Orientation o = job->orientation;
    if (!out.gathered) {
        JSAMPROW row[1] = {out.row[0]};
        if (o == Orientation::MirrorX) {
            for (JDIMENSION x = 0; x < out.width; ++x)
                std::memcpy(out.row[0] + 3 * x, pixels + 3 * (out.width - 1 - x), 3);
        } else {
            row[0] = const_cast<JSAMPLE*>(pixels);  // the encoder only reads it
        }
        jpeg_write_scanlines(out.dst, row, 1);
        return;
    }
    const bool swaps = SwapsSides(o);
    const JDIMENSION storedWidth = swaps ? out.height : out.width;
    const JDIMENSION storedHeight = swaps ? out.width : out.height;
    const JDIMENSION line = FlipsRows(o) ? storedHeight - 1 - storedRow : storedRow;
    for (JDIMENSION c = 0; c < storedWidth; ++c) {
        const JDIMENSION along = FlipsColumns(o) ? storedWidth - 1 - c : c;
        const JDIMENSION u = swaps ? line : along, v = swaps ? along : line;
        std::memcpy(out.gathered[v] + 3 * u, pixels + 3 * c, 3);
    }
}

// Every row is decoded (at the reduced scale) and goes through each copy's
// filter; the filtered rows leave as soon as they are complete.
void SmoothRows(PrepareJob* job) {
    j_decompress_ptr src = &job->src;
    const auto common = reinterpret_cast<j_common_ptr>(src);
    if (!MakeScalers(job)) {
        std::snprintf(job->error, sizeof job->error, "there is not enough memory to resize it");
        Fail(reinterpret_cast<ErrorManager*>(src->err));
    }
    const int components = src->output_components;
    const bool inverted = src->saw_Adobe_marker != 0;
    const JDIMENSION w = src->output_width, h = src->output_height;
    JSAMPARRAY in =
        (*src->mem->alloc_sarray)(common, JPOOL_IMAGE, w * static_cast<JDIMENSION>(components), 1);
    JSAMPARRAY rgb = components == 3 ? in : (*src->mem->alloc_sarray)(common, JPOOL_IMAGE, w * 3, 1);

    SmoothOutput outputs[2];
    const int count = job->makeDouble ? 2 : 1;
    for (int k = 0; k < count; ++k) {
        SmoothOutput& out = outputs[k];
        out.scaler = k == 0 ? &*job->scalers->single : &*job->scalers->doubled;
        out.dst = k == 0 ? &job->dst : &job->dst2;
        out.width = static_cast<JDIMENSION>(job->width * (k + 1));
        out.height = static_cast<JDIMENSION>(job->height * (k + 1));
        out.gathered = Streams(job->orientation)
                           ? nullptr
                           : (*src->mem->alloc_sarray)(common, JPOOL_IMAGE, out.width * 3, out.height);
        out.row = (*src->mem->alloc_sarray)(common, JPOOL_IMAGE, out.width * 3, 1);
    }
    for (JDIMENSION y = 0; y < h; ++y) {
        jpeg_read_scanlines(src, in, 1);
        if (components != 3)
            for (JDIMENSION x = 0; x < w; ++x)
                ToRgb(in[0] + x * static_cast<JDIMENSION>(components), components, inverted, rgb[0] + 3 * x);
        // The last copy takes the decoded rows and each copy before it the
        // rows of the one after it.
        SmoothResampler& first = *outputs[count - 1].scaler;
        first.addRow(rgb[0]);
        while (first.rowReady()) {
            const auto storedRow = static_cast<JDIMENSION>(first.rowsOut());
            const std::uint8_t* row = first.takeRow();
            EmitSmoothRow(job, outputs[count - 1], storedRow, row);
            if (count == 1) continue;
            SmoothResampler& single = *outputs[0].scaler;
            single.addRow(row);
            while (single.rowReady()) {
                const auto singleRow = static_cast<JDIMENSION>(single.rowsOut());
                EmitSmoothRow(job, outputs[0], singleRow, single.takeRow());
            }
        }
    }
    for (int k = 0; k < count; ++k) {
        SmoothOutput& out = outputs[k];
        const JDIMENSION storedHeight = SwapsSides(job->orientation) ? out.width : out.height;
        if (out.scaler->rowsOut() != static_cast<int>(storedHeight)) {
            std::snprintf(job->error, sizeof job->error, "its rows did not all arrive");
            Fail(reinterpret_cast<ErrorManager*>(src->err));
        }
        if (out.gathered)
            for (JDIMENSION y = 0; y < out.height; ++y) jpeg_write_scanlines(out.dst, out.gathered + y, 1);
    }
}

void ScaleRows(PrepareJob* job) {
    if (Streams(job->orientation))
        StreamRows(job);
    else
        GatherTurnedRows(job);
}

// Returns false with job->error set; libjpeg errors arrive here by longjmp.
bool RunPrepare(PrepareJob* job) {
    ErrorManager errors;
    ProgressMonitor progress;
    job->src.err = jpeg_std_error(&errors.pub);
    job->dst.err = &errors.pub;
    errors.pub.error_exit = OnError;
    errors.pub.emit_message = OnMessage;
    errors.job = job;
    progress.pub.progress_monitor = OnProgress;
    progress.errors = &errors;

    job->dst2.err = &errors.pub;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&job->dst2);
        jpeg_destroy_compress(&job->dst);
        jpeg_destroy_decompress(&job->src);
        return false;
    }
    jpeg_create_decompress(&job->src);
    job->src.progress = &progress.pub;
    jpeg_create_compress(&job->dst);
    StartDecoder(job);
    StartEncoder(&job->dst, &job->out, job->width, job->height);
    if (job->makeDouble) {
        jpeg_create_compress(&job->dst2);
        StartEncoder(&job->dst2, &job->out2, 2 * job->width, 2 * job->height);
    }
    if (job->resize == ResizeMode::Smooth)
        SmoothRows(job);
    else
        ScaleRows(job);
    jpeg_finish_compress(&job->dst);
    if (job->makeDouble) jpeg_finish_compress(&job->dst2);
    // The rows below the last sampled one are never decoded.
    jpeg_destroy_compress(&job->dst2);
    jpeg_destroy_compress(&job->dst);
    jpeg_destroy_decompress(&job->src);
    return true;
}

// The message of a preparation that failed for `reason`.
std::string PreparationError(const std::filesystem::path& source, const std::string& reason) {
    return "Cannot prepare the image \"" + source.string() + "\": " + reason;
}

}  // namespace

void CheckSliderWidth(int sliderWidth) {
    if (sliderWidth <= 0)
        throw Error("The slider width " + std::to_string(sliderWidth) + " is too small to scale images to");
}

ScaledSize ComputeScaledSize(int sourceWidth, int sourceHeight, int sliderWidth) {
    CheckSliderWidth(sliderWidth);
    ScaledSize size;
    if (!ScaleSides(sourceWidth, sourceHeight, sliderWidth, size.width, size.height))
        throw Error("An image of " + std::to_string(sourceWidth) + " x " + std::to_string(sourceHeight) +
                    " pixels scaled to width " + std::to_string(sliderWidth) + " would be too large");
    return size;
}

std::string JpegLibraryVersion() {
    jpeg_error_mgr errors;
    jpeg_std_error(&errors);
    const char* version = errors.jpeg_message_table[JMSG_VERSION];
    return std::to_string(JPEG_LIB_VERSION) + " " + (version ? version : "");
}

namespace {

// One reading of the source: the copy of `resize` at `passScale` times the
// prepared size into `jpeg`, and in smooth mode, when `doubleJpeg` is given
// and the source allows, the double-density copy beside it.
PreparedImage RunPass(int fd, const std::filesystem::path& source, int sliderWidth, ResizeMode resize,
                      int passScale, std::string& jpeg, std::string* doubleJpeg,
                      const PrepareControl& control) {
    CheckSliderWidth(sliderWidth);
    auto job = std::make_unique<PrepareJob>();
    std::memset(job.get(), 0, sizeof(PrepareJob));
    const auto input = std::make_unique<JOCTET[]>(kInputChunk);
    SmoothScalers scalers;
    job->in.fd = fd;
    job->in.buffer = input.get();
    job->in.hash = control.sourceHash;
    job->memory = control.memory;
    job->cancel = control.cancel;
    job->waitForMemory = control.waitForMemory;
    job->sliderWidth = sliderWidth;
    job->resize = resize;
    job->passScale = passScale;
    job->wantDouble = doubleJpeg != nullptr && resize == ResizeMode::Smooth;
    job->scalers = &scalers;
    const bool done = RunPrepare(job.get());
    if (job->reserved) control.memory->release(job->reserved);
    if (done) jpeg.assign(reinterpret_cast<const char*>(job->out.data), job->out.size);
    if (done && doubleJpeg && job->makeDouble)
        doubleJpeg->assign(reinterpret_cast<const char*>(job->out2.data), job->out2.size);
    std::free(job->out.data);
    std::free(job->out2.data);
    if (job->memoryNotFree) throw MemoryNotFree(job->memoryNotFree);
    if (!done) throw Error(PreparationError(source, job->error));
    if (control.sourceHash) {
        // The decoder stops at the picture's end marker; what follows counts too.
        for (;;) {
            const ssize_t got = ::read(fd, input.get(), kInputChunk);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw Error(PreparationError(source, std::strerror(errno)));
            if (got == 0) break;
            control.sourceHash->update(input.get(), static_cast<std::size_t>(got));
        }
    }
    PreparedImage result;
    result.sourceWidth = job->sourceWidth;
    result.sourceHeight = job->sourceHeight;
    result.orientation = job->orientation;
    result.size = {job->width / passScale, job->height / passScale};
    result.warning = job->warning;
    return result;
}

}  // namespace

bool HasDoubleDensityCopy(int sourceWidth, int sourceHeight, ScaledSize size) {
    return sourceWidth >= 2 * size.width && sourceHeight >= 2 * size.height &&
           2 * size.width <= kMaxJpegSide && 2 * size.height <= kMaxJpegSide;
}

PreparedImage PrepareSliderJpeg(int fd, const std::filesystem::path& source, int sliderWidth,
                                std::string& jpeg, const PrepareControl& control) {
    return RunPass(fd, source, sliderWidth, ResizeMode::Exact, 1, jpeg, nullptr, control);
}

PreparedCopy PrepareSliderCopy(int fd, const std::filesystem::path& source, int sliderWidth,
                               const ImageQuality& quality, const PrepareControl& control) {
    PreparedCopy copy;
    const bool wantDouble = quality.density == Density::Double;
    if (quality.resize == ResizeMode::Smooth) {
        copy.image = RunPass(fd, source, sliderWidth, ResizeMode::Smooth, 1, copy.jpeg,
                             wantDouble ? &copy.doubleJpeg : nullptr, control);
        return copy;
    }
    copy.image = RunPass(fd, source, sliderWidth, ResizeMode::Exact, 1, copy.jpeg, nullptr, control);
    if (wantDouble &&
        HasDoubleDensityCopy(copy.image.sourceWidth, copy.image.sourceHeight, copy.image.size)) {
        // Nearest-neighbour sampling at two sizes picks different rows; a
        // second reading keeps each exactly as its own preparation would.
        if (::lseek(fd, 0, SEEK_SET) != 0)
            throw Error(PreparationError(source, "it cannot be read a second time"));
        // The source's bytes were hashed by the first reading.
        PrepareControl again = control;
        again.sourceHash = nullptr;
        RunPass(fd, source, sliderWidth, ResizeMode::Exact, 2, copy.doubleJpeg, nullptr, again);
    }
    return copy;
}

int OpenSourceImage(const std::filesystem::path& source) {
    // The photo may have been swapped for a FIFO since it was found: the
    // open must not wait for a writer, and only a regular file is read.
    std::string reason;
    const int fd = OpenUserFile(source, kPictureFileKind, reason);
    if (fd < 0) throw Error(PreparationError(source, reason));
    return fd;
}

PreparedImage PrepareSliderImage(const std::filesystem::path& source,
                                 const std::filesystem::path& destination, int sliderWidth) {
    CheckSliderWidth(sliderWidth);
    const int fd = OpenSourceImage(source);
    const DescriptorCloser closer(fd);
    std::string jpeg;
    const PreparedImage result = PrepareSliderJpeg(fd, source, sliderWidth, jpeg);
    // The copy appears under its name only once it is complete; the caller
    // copies it on to wherever it must last, so it is not synced here.
    WriteWholeFile(destination, jpeg, Durability::Unsynced);
    return result;
}

}  // namespace marivel
