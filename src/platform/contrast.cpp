#include "platform/contrast.h"

#include <algorithm>
#include <cmath>

namespace qvMsgErr::platform {

namespace {

constexpr int32_t kBlack = 0x000000, kWhite = 0xFFFFFF;

int channel(int32_t bgr, int shift) {
    return static_cast<int>((static_cast<uint32_t>(bgr) >> shift) & 0xFFu);
}

double linear(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

/// The colour `share` of the way from `from` to `to`, channel by channel.
int32_t mix(int32_t from, int32_t to, double share) {
    int32_t mixed = 0;
    for (const int shift : {0, 8, 16}) {
        const int a = channel(from, shift), b = channel(to, shift);
        mixed |= static_cast<int32_t>(std::lround(a + (b - a) * share)) << shift;
    }
    return mixed;
}

} // namespace

double luminance(int32_t bgr) {
    return 0.2126 * linear(channel(bgr, 0)) + 0.7152 * linear(channel(bgr, 8)) +
           0.0722 * linear(channel(bgr, 16));
}

double contrast(int32_t a, int32_t b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

int32_t readableOn(int32_t back, std::initializer_list<int32_t> wanted) {
    for (const int32_t colour : wanted) {
        if (contrast(colour, back) >= kReadableContrast) {
            return colour;
        }
    }
    return contrast(kBlack, back) >= contrast(kWhite, back) ? kBlack : kWhite;
}

int32_t inScheme(int32_t fixed, const Scheme& scheme) {
    const int grey = channel(fixed, 0);
    const bool isGrey = grey == channel(fixed, 8) && grey == channel(fixed, 16);
    if (!isGrey || luminance(scheme.text) <= luminance(scheme.window)) {
        return fixed;
    }
    // How far the grey lies from white towards black, taken from the window towards the text.
    return mix(scheme.window, scheme.text, (255 - grey) / 255.0);
}

int32_t faintestReadable(int32_t back, int32_t text) {
    constexpr int kSteps = 64;
    for (int step = 1; step < kSteps; ++step) {
        const int32_t colour = mix(back, text, static_cast<double>(step) / kSteps);
        if (contrast(colour, back) >= kReadableContrast) {
            return colour;
        }
    }
    return text;
}

} // namespace qvMsgErr::platform
