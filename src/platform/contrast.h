// Text that reads on what is behind it: the rule every desktop applies when it turns a window's
// colours into what it draws. Colours here are plain BGR values (red in the low byte); system
// colour indexes are the desktop's to resolve first.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace qvMsgErr::platform {

/// The least contrast at which small text counts as readable (the WCAG figure for body text).
inline constexpr double kReadableContrast = 4.5;

/// Relative luminance, 0 for black to 1 for white.
double luminance(int32_t bgr);
/// The contrast ratio of two colours, from 1 (the same) to 21 (black and white).
double contrast(int32_t a, int32_t b);

/// The first of `wanted` that reads on `back`; when none does, black or white, whichever
/// contrasts more (one of them always reaches 4.5 : 1).
int32_t readableOn(int32_t back, std::initializer_list<int32_t> wanted);

/// The colour for a hint (the grey note of an empty box) on `back`: the first colour on the way
/// from `back` to `text` that reads on it, so the hint is as faint as can still be read.
int32_t faintestReadable(int32_t back, int32_t text);

/// The two ends of the desktop's palette: what windows are filled with and what text is
/// written in.
struct Scheme {
    int32_t window = 0xFFFFFF;
    int32_t text = 0x000000;
};

/// A grey that a window following the palette fixes (a box, the text on it) as it shows in
/// `scheme`. The greys are drawn for a light desktop, white behind black; in a dark scheme a
/// grey takes the same place between the scheme's window and text colours instead, so black
/// becomes the scheme's text. Colours, and every colour in a light scheme, stay as they are.
int32_t inScheme(int32_t fixed, const Scheme& scheme);

} // namespace qvMsgErr::platform
