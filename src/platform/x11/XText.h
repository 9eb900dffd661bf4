// Window text as X clients store it in properties (STRING, COMPOUND_TEXT, UTF8_STRING),
// converted to and from the UTF-8 the core works with.
#pragma once

#include <optional>
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

// Whether the bytes are a STRING value as they stand: Latin-1 text, tab, newline and the NUL that
// ends each string of a list.
bool IsLatin1Text(std::string_view bytes);

// The encodings a caption property may be stored in, by its type.
enum class TextEncoding { kUtf8, kLatin1, kCompoundText };

// A caption's bytes as the text shown in our lists: up to a first NUL (the end of the first
// string of a list), in clean UTF-8.
std::string CaptionText(std::string_view bytes, TextEncoding encoding);

// `utf8` in the given encoding, to be put in front of a caption's own bytes; nullopt when the
// encoding cannot hold it (Latin-1).
std::optional<std::string> EncodeText(std::string_view utf8, TextEncoding encoding);

// The caption's own bytes without the leading bytes that show as `prefix`, found so that the rest
// shows as the caption's text without `prefix`; nullopt when its text does not begin with
// `prefix` or no cut gives that rest.
std::optional<std::string> WithoutPrefix(std::string_view bytes, TextEncoding encoding,
                                         std::string_view prefix);

}  // namespace hoverdeck::x11
