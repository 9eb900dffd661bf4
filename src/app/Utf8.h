// Writing a code point as UTF-8, and UTF-16 text to and from UTF-8, shared by the settings file
// and the adapters that convert other encodings.
#pragma once

#include <string>
#include <string_view>

namespace hoverdeck {

// Appends the one to four bytes of `c`; a surrogate code point gets the three bytes its value
// gives, which is how a lone surrogate is kept where it must survive a round trip.
void AppendUtf8(std::string& out, char32_t c);

// UTF-16 bytes (no byte-order mark) as UTF-8: a pair of surrogates is one character, a lone
// surrogate keeps its value (see AppendUtf8), an odd last byte is dropped.
std::string Utf8FromUtf16(std::string_view bytes, bool big_endian);

// The inverse of Utf8FromUtf16: a lone surrogate's three bytes give it back, and a byte that
// starts no well-formed character becomes U+FFFD.
std::string Utf16FromUtf8(std::string_view text, bool big_endian);

}  // namespace hoverdeck
