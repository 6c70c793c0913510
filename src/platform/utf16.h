// UTF-8 and UTF-16, for the Windows APIs (the registry, file names, window texts). Portable code,
// so that the rules are tested on every platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qvMsgErr::platform {

/// `utf8` as UTF-16, or nullopt when it is not well-formed UTF-8 (overlong forms, surrogates,
/// values above U+10FFFF, cut-off sequences). NUL bytes are kept as NUL units. For names, which
/// must be exact: nothing is ever guessed.
std::optional<std::u16string> toUtf16(std::string_view utf8);

/// `utf8` as UTF-16 with each ill-formed sequence shown as U+FFFD. For texts a person reads
/// (window texts): they show what can be shown.
std::u16string toUtf16Replaced(std::string_view utf8);

/// `utf16` as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string fromUtf16(std::u16string_view utf16);

/// `bytes` as UTF-16 that gives them back exactly through fromUtf16Escaped: well-formed UTF-8
/// becomes its UTF-16, and each byte of an ill-formed sequence (0x80-0xFF) the unpaired low
/// surrogate U+DC80-U+DCFF ("surrogate escape"). For texts, whose bytes must come back as they
/// were stored.
std::u16string toUtf16Escaped(std::string_view bytes);

/// The inverse of toUtf16Escaped: an unpaired U+DC80-U+DCFF becomes its byte again, any other
/// unpaired surrogate U+FFFD.
std::string fromUtf16Escaped(std::u16string_view utf16);

} // namespace qvMsgErr::platform
