// Writing a code point as UTF-8, shared by the adapters that convert other encodings.
#pragma once

#include <string>

namespace hoverdeck {

// Appends the one to four bytes of `c`; a surrogate code point gets the three bytes its value
// gives, which is how a lone surrogate is kept where it must survive a round trip.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace hoverdeck
