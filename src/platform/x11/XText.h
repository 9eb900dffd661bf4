// Window text as X clients store it in properties (STRING, COMPOUND_TEXT, UTF8_STRING),
// converted to and from the UTF-8 the core works with.
#pragma once

#include <string>
#include <string_view>

namespace hoverdeck::x11 {

// ISO 8859-1 bytes, the STRING type, as UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);

// Valid UTF-8 as it is; every byte that does not belong to a well-formed sequence becomes U+FFFD.
std::string SanitizeUtf8(std::string_view text);

// COMPOUND_TEXT as UTF-8. Understands ASCII and JIS-Roman in GL, the Latin-1, Greek (8859-7)
// and Cyrillic (8859-5) right halves in GR, the UTF-8 segment (ESC % G ... ESC % @) and the
// extended segments named "iso8859-1" or "utf-8". Characters of other sets become U+FFFD;
// direction controls and unknown escape sequences are dropped.
std::string CompoundTextToUtf8(std::string_view ctext);

// The bytes and the type of a WM_NAME value for a UTF-8 text: STRING when every character is in
// Latin-1, otherwise COMPOUND_TEXT carrying the text as one UTF-8 segment.
struct LegacyText {
  bool is_compound_text = false;
  std::string bytes;
};
LegacyText LegacyTextFromUtf8(std::string_view utf8);

}  // namespace hoverdeck::x11
