#include "output/smooth_resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace marivel {

namespace {

constexpr double kLobes = 3.0;

double Sinc(double x) {
    if (x == 0.0) return 1.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

double Lanczos(double x) {
    x = std::fabs(x);
    return x < kLobes ? Sinc(x) * Sinc(x / kLobes) : 0.0;
}

}  // namespace

AxisWeights::AxisWeights(int inSize, int outSize) {
    const double factor = static_cast<double>(outSize) / inSize;
    const double scale = std::max(1.0 / factor, 1.0);  // how far the filter is stretched
    const double support = kLobes * scale;
    maxTaps = static_cast<int>(std::ceil(2.0 * support)) + 2;
    first.resize(static_cast<std::size_t>(outSize));
    count.resize(static_cast<std::size_t>(outSize));
    weights.assign(static_cast<std::size_t>(outSize) * static_cast<std::size_t>(maxTaps), 0.0F);
    for (int i = 0; i < outSize; ++i) {
        // The centre of output sample i, in input samples.
        const double centre = (i + 0.5) / factor;
        const int start = std::max(static_cast<int>(std::floor(centre - support + 0.5)), 0);
        const int stop = std::min(static_cast<int>(std::floor(centre + support + 0.5)), inSize);
        const int taps = std::clamp(stop - start, 1, maxTaps);
        float* w = &weights[static_cast<std::size_t>(i) * static_cast<std::size_t>(maxTaps)];
        double sum = 0.0;
        for (int t = 0; t < taps; ++t) {
            const double value = Lanczos((start + t + 0.5 - centre) / scale);
            w[t] = static_cast<float>(value);
            sum += value;
        }
        if (sum > 1e-9) {
            for (int t = 0; t < taps; ++t) w[t] = static_cast<float>(w[t] / sum);
        } else {
            // Cannot happen for a centred filter, but a sample must come
            // from somewhere: the nearest one.
            std::fill(w, w + taps, 0.0F);
            w[std::clamp(static_cast<int>(centre) - start, 0, taps - 1)] = 1.0F;
        }
        first[static_cast<std::size_t>(i)] = std::min(start, inSize - 1);
        count[static_cast<std::size_t>(i)] = taps;
    }
}

SmoothResampler::SmoothResampler(int inWidth, int inHeight, int outWidth, int outHeight)
    : inHeight_(inHeight),
      outWidth_(outWidth),
      outHeight_(outHeight),
      columns_(inWidth, outWidth),
      rows_(inHeight, outHeight),
      input_(static_cast<std::size_t>(inWidth) * 3),
      ring_(static_cast<std::size_t>(rows_.maxTaps) * static_cast<std::size_t>(outWidth) * 3),
      sum_(static_cast<std::size_t>(outWidth) * 3),
      output_(static_cast<std::size_t>(outWidth) * 3) {}

std::size_t SmoothResampler::MemoryFor(int inWidth, int inHeight, int outWidth, int outHeight) {
    const double scale = std::max(static_cast<double>(inHeight) / outHeight, 1.0);
    const auto taps = static_cast<std::size_t>(std::ceil(2.0 * kLobes * scale)) + 2;
    const double columnScale = std::max(static_cast<double>(inWidth) / outWidth, 1.0);
    const auto columnTaps = static_cast<std::size_t>(std::ceil(2.0 * kLobes * columnScale)) + 2;
    const auto in = static_cast<std::size_t>(inWidth), out = static_cast<std::size_t>(outWidth);
    return in * 3 * sizeof(float) + (taps + 1) * out * 3 * sizeof(float) + out * 3 +
           out * columnTaps * (sizeof(float) + 1) +
           static_cast<std::size_t>(outHeight) * taps * sizeof(float);
}

void SmoothResampler::addRow(const std::uint8_t* rgb) {
    if (rowsIn_ >= inHeight_) return;
    for (std::size_t k = 0; k < input_.size(); ++k) input_[k] = rgb[k];
    const auto slot = static_cast<std::size_t>(rowsIn_ % rows_.maxTaps);
    float* row = &ring_[slot * static_cast<std::size_t>(outWidth_) * 3];
    const auto taps = static_cast<std::size_t>(columns_.maxTaps);
    for (int x = 0; x < outWidth_; ++x) {
        const auto xs = static_cast<std::size_t>(x);
        const float* w = &columns_.weights[xs * taps];
        const float* p = &input_[static_cast<std::size_t>(columns_.first[xs]) * 3];
        float r = 0.0F, g = 0.0F, b = 0.0F;
        for (int t = 0, n = columns_.count[xs]; t < n; ++t, p += 3) {
            r += w[t] * p[0];
            g += w[t] * p[1];
            b += w[t] * p[2];
        }
        row[3 * xs] = r;
        row[3 * xs + 1] = g;
        row[3 * xs + 2] = b;
    }
    ++rowsIn_;
}

bool SmoothResampler::rowReady() const {
    if (rowsOut_ >= outHeight_) return false;
    const auto y = static_cast<std::size_t>(rowsOut_);
    return rows_.first[y] + rows_.count[y] <= rowsIn_;
}

const std::uint8_t* SmoothResampler::takeRow() {
    const auto y = static_cast<std::size_t>(rowsOut_);
    const auto taps = static_cast<std::size_t>(rows_.maxTaps);
    const float* w = &rows_.weights[y * taps];
    const std::size_t values = static_cast<std::size_t>(outWidth_) * 3;
    std::fill(sum_.begin(), sum_.end(), 0.0F);
    float* sum = sum_.data();
    for (int t = 0, n = rows_.count[y]; t < n; ++t) {
        const auto slot = static_cast<std::size_t>((rows_.first[y] + t) % rows_.maxTaps);
        const float* row = &ring_[slot * values];
        const float weight = w[t];
        for (std::size_t k = 0; k < values; ++k) sum[k] += weight * row[k];
    }
    for (std::size_t k = 0; k < values; ++k)
        output_[k] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(sum[k] + 0.5F), 0, 255));
    ++rowsOut_;
    return output_.data();
}

}  // namespace marivel
