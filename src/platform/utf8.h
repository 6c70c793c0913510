// UTF-8 read code point by code point, the way the toolkit reads it: an ill-formed sequence
// counts as one U+FFFD, so that counting and escaping agree with what a window shows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qvMsgErr::platform {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

/// The next code point of `s` from `i`, which it advances. An ill-formed sequence gives U+FFFD
/// and consumes its longest valid beginning (at least one byte), as Unicode recommends; overlong
/// forms, surrogates and values above U+10FFFF are ill-formed.
char32_t nextCodePoint(std::string_view s, std::size_t& i);

/// `c` as UTF-8 at the end of `out`.
void appendUtf8(std::string& out, char32_t c);

/// The visible stand-in for a control character: U+2400 + code for C0, U+2421 for DEL; any other
/// code point as it is.
char32_t controlPicture(char32_t c);

/// `text` with every control character that could end or break a line written visibly: C0 and
/// DEL as their control pictures, NEL, LINE SEPARATOR and PARAGRAPH SEPARATOR as U+2424 (symbol
/// for newline). Every other byte, also one that is not UTF-8, stays as it is.
std::string withVisibleControls(std::string_view text);

} // namespace qvMsgErr::platform
