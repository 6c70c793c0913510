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
    const double towardsText = (255 - grey) / 255.0;
    int32_t shown = 0;
    for (const int shift : {0, 8, 16}) {
        const int from = channel(scheme.window, shift), to = channel(scheme.text, shift);
        shown |= static_cast<int32_t>(std::lround(from + (to - from) * towardsText)) << shift;
    }
    return shown;
}

} // namespace qvMsgErr::platform
