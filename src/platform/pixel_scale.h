// What a desktop that knows its screen's pixels adds: how many twips one pixel is. The headless
// desktop has none of its own, its screen being 15 twips to the pixel (96 dpi) by definition.
#pragma once

namespace qvMsgErr::platform {

class PixelScale {
public:
    virtual ~PixelScale() = default;
    /// 1440 / the screen's logical pixels per inch.
    virtual float twipsPerPixel() const = 0;
};

/// Twips per pixel of `desktop`: its own PixelScale, else 15.
template <class D> float twipsPerPixelOf(const D& desktop) {
    const auto* scale = dynamic_cast<const PixelScale*>(&desktop);
    return scale ? scale->twipsPerPixel() : 15;
}

} // namespace qvMsgErr::platform
