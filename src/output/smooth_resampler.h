#pragma once

#include <cstdint>
#include <vector>

namespace marivel {

// The weights with which one axis of a picture is resampled by a
// three-lobed Lanczos filter: output sample i takes input samples
// first[i] .. first[i] + count[i] - 1 with the weights
// weights[i * maxTaps + t]. When the picture shrinks, the filter is widened
// by the factor, so every input sample contributes (no aliasing); when it
// grows, the filter keeps its own width. Taps that would fall outside the
// picture are dropped and the others renormalised, so edges keep their
// brightness.
struct AxisWeights {
    AxisWeights(int inSize, int outSize);
    int maxTaps = 0;
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights;
};

// Resamples an RGB picture (3 bytes a pixel) from inWidth x inHeight to
// outWidth x outHeight while its rows stream past: rows go in top to bottom,
// output rows come out top to bottom as soon as every input row they need
// is in. Only as many horizontally resampled rows as the vertical filter
// spans are kept, so memory grows with the widths and the scale factor,
// never with the height.
//
// Values are filtered in the picture's own (gamma-encoded) scale, as the
// browser and image editors resize by default.
class SmoothResampler {
public:
    SmoothResampler(int inWidth, int inHeight, int outWidth, int outHeight);

    // Takes the next input row (inWidth RGB pixels). Call only when no
    // output row is ready: those must be taken first.
    void addRow(const std::uint8_t* rgb);
    // Whether the next output row can be taken.
    bool rowReady() const;
    // The next output row (outWidth RGB pixels), valid until the next call.
    const std::uint8_t* takeRow();

    int rowsIn() const { return rowsIn_; }
    int rowsOut() const { return rowsOut_; }
    // The bytes it holds, for memory budgets.
    static std::size_t MemoryFor(int inWidth, int inHeight, int outWidth, int outHeight);

private:
    int inHeight_, outWidth_, outHeight_;
    AxisWeights columns_, rows_;
    std::vector<float> input_;  // one input row as numbers
    std::vector<float> ring_;   // rows_.maxTaps horizontally resampled rows
    std::vector<float> sum_;    // the output row being filtered
    std::vector<std::uint8_t> output_;
    int rowsIn_ = 0;
    int rowsOut_ = 0;
};

}  // namespace marivel
