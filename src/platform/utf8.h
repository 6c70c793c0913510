// UTF-8 read code point by code point, the way the toolkit reads it: an ill-formed sequence
// counts as one U+FFFD, so that counting and escaping agree with what a window shows.
#pragma once

#include <cstddef>
#include <string_view>

namespace qvMsgErr::platform {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

/// The next code point of `s` from `i`, which it advances. An ill-formed sequence gives U+FFFD
/// and consumes its longest valid beginning (at least one byte), as Unicode recommends; overlong
/// forms, surrogates and values above U+10FFFF are ill-formed.
char32_t nextCodePoint(std::string_view s, std::size_t& i);

} // namespace qvMsgErr::platform
