// Window text as X clients store it (STRING, COMPOUND_TEXT, UTF8_STRING), to and from UTF-8.
#include "platform/x11/XText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "app/Utf8.h"

namespace hoverdeck::x11 {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kCsi = 0x9B;

// One well-formed UTF-8 sequence at `pos` (advanced past it); nullopt, with `pos` unchanged, when
// the bytes there are not one.
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return char32_t{lead};
  }
  std::size_t length = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (pos + length > text.size()) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (byte(pos + i) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  pos += length;
  return c;
}

// The character sets a COMPOUND_TEXT segment can designate into GL or GR.
enum class Charset { kAscii, kJisRoman, kLatin1, kGreek, kCyrillic, kUnknown1, kUnknown2 };

// A GR byte (0xA0 to 0xFF) of an ISO 8859 right half.
char32_t RightHalf(Charset set, unsigned char b) {
  switch (set) {
    case Charset::kLatin1:
      return b;
    case Charset::kCyrillic:  // 8859-5: the Cyrillic block in order, with four exceptions
      if (b == 0xA0 || b == 0xAD) return b;
      if (b == 0xF0) return 0x2116;
      if (b == 0xFD) return 0xA7;
      return char32_t{b} + 0x360;
    case Charset::kGreek: {  // 8859-7 (2003): irregular up to 0xB3, then the Greek block
      // 0xA0 to 0xB3; 0 marks the unassigned byte.
      constexpr std::array<char32_t, 20> kLow = {0xA0, 0x2018, 0x2019, 0xA3,  0x20AC, 0x20AF, 0xA6,
                                                 0xA7, 0xA8,   0xA9,   0x37A, 0xAB,   0xAC,   0xAD,
                                                 0,    0x2015, 0xB0,   0xB1,  0xB2,   0xB3};
      if (b < 0xB4) return kLow[b - 0xA0] != 0 ? kLow[b - 0xA0] : kReplacement;
      if (b == 0xB7 || b == 0xBB || b == 0xBD) return b;
      if (b == 0xD2 || b == 0xFF) return kReplacement;
      return char32_t{b} + 0x2D0;
    }
    default:
      return kReplacement;
  }
}

Charset Set94(unsigned char final_byte) {
  if (final_byte == 'B') return Charset::kAscii;
  if (final_byte == 'J') return Charset::kJisRoman;
  return Charset::kUnknown1;
}

Charset Set96(unsigned char final_byte) {
  if (final_byte == 'A') return Charset::kLatin1;
  if (final_byte == 'F') return Charset::kGreek;
  if (final_byte == 'L') return Charset::kCyrillic;
  return Charset::kUnknown1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A character of the set in GL or GR given by its 7-bit value (0x20 to 0x7F).
void AppendFromSet(std::string& out, Charset set, unsigned char seven_bit) {
  switch (set) {
    case Charset::kAscii:
      AppendUtf8(out, seven_bit);
      break;
    case Charset::kJisRoman:
      AppendUtf8(out, seven_bit == 0x5C ? 0xA5 : seven_bit == 0x7E ? 0x203E : seven_bit);
      break;
    case Charset::kLatin1:
    case Charset::kGreek:
    case Charset::kCyrillic:
      AppendUtf8(out, RightHalf(set, static_cast<unsigned char>(seven_bit | 0x80)));
      break;
    default:
      AppendUtf8(out, kReplacement);
  }
}

// Reads COMPOUND_TEXT into UTF-8: the sets designated into GL and GR, and where it stands.
struct CompoundTextReader {
  explicit CompoundTextReader(std::string_view text) : ctext(text) {}

  std::string_view ctext;
  std::size_t pos = 0;
  Charset gl = Charset::kAscii;
  Charset gr = Charset::kLatin1;
  std::string out;

  unsigned char Byte(std::size_t i) const { return static_cast<unsigned char>(ctext[i]); }

  // An escape sequence at `pos`: intermediate bytes, then one final byte. False when the text
  // ends inside it.
  bool ReadEscape() {
    std::size_t end = pos + 1;
    while (end < ctext.size() && Byte(end) >= 0x20 && Byte(end) <= 0x2F) ++end;
    if (end >= ctext.size()) return false;
    const std::string_view middle = ctext.substr(pos + 1, end - pos - 1);
    const unsigned char final_byte = Byte(end);
    pos = end + 1;
    if (middle == "(") {
      gl = Set94(final_byte);
    } else if (middle == ")") {
      gr = Set94(final_byte);
    } else if (middle == "-") {
      gr = Set96(final_byte);
    } else if (middle == "$(") {
      gl = Charset::kUnknown2;
    } else if (middle == "$)") {
      gr = Charset::kUnknown2;
    } else if (middle == "%" && final_byte == 'G') {
      ReadUtf8Segment();
    } else if (middle == "%/" && final_byte >= '0' && final_byte <= '4') {
      return ReadExtendedSegment(final_byte);
    }
    return true;
  }

  // UTF-8 up to ESC % @ or the end.
  void ReadUtf8Segment() {
    const auto stop = ctext.find("\x1b%@", pos);
    const auto length = stop == std::string_view::npos ? ctext.size() - pos : stop - pos;
    out += SanitizeUtf8(ctext.substr(pos, length));
    pos = stop == std::string_view::npos ? ctext.size() : stop + 3;
  }

  // Extended segment: two length bytes, then "name" STX data. False when the length is cut off.
  bool ReadExtendedSegment(unsigned char final_byte) {
    if (pos + 2 > ctext.size()) return false;
    const std::size_t length = (Byte(pos) & 0x7F) * 128u + (Byte(pos + 1) & 0x7F);
    const std::string_view segment = ctext.substr(pos + 2, length);
    pos = std::min(ctext.size(), pos + 2 + length);
    const auto stx = segment.find('\x02');
    const std::string_view name = segment.substr(0, stx);
    const std::string_view data =
        stx == std::string_view::npos ? std::string_view() : segment.substr(stx + 1);
    if (EqualsIgnoringCase(name, "utf-8")) {
      out += SanitizeUtf8(data);
    } else if (EqualsIgnoringCase(name, "iso8859-1")) {
      out += Latin1ToUtf8(data);
    } else if (!data.empty()) {
      const std::size_t width = final_byte == '0' ? data.size() : final_byte - '0';
      for (std::size_t i = 0; i < data.size(); i += width) AppendUtf8(out, kReplacement);
    }
    return true;
  }

  // Direction control: parameters, intermediates, final byte.
  void SkipDirection() {
    ++pos;
    while (pos < ctext.size() && Byte(pos) >= 0x20 && Byte(pos) <= 0x3F) ++pos;
    if (pos < ctext.size()) ++pos;
  }

  // A byte that starts no sequence: a character of GL or GR, or a control.
  void ReadCharacter(unsigned char b) {
    if (b == '\t' || b == '\n') {
      out += static_cast<char>(b);
      ++pos;
      return;
    }
    if (b < 0x20 || b == 0x7F || (b >= 0x80 && b < 0xA0)) {  // other controls carry no text
      ++pos;
      return;
    }
    const Charset set = b < 0x80 ? gl : gr;
    if (set == Charset::kUnknown2) {
      // A two-byte character of a set not known here.
      AppendUtf8(out, kReplacement);
      pos += 2;
      return;
    }
    // Outside a 94-character set in GR: skipped.
    if ((b == 0xA0 || b == 0xFF) && (set == Charset::kAscii || set == Charset::kJisRoman)) {
      ++pos;
      return;
    }
    AppendFromSet(out, set, b & 0x7F);
    ++pos;
  }
};

}  // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size() * 2);
  for (const char c : latin1) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string SanitizeUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    if (const auto c = DecodeUtf8(text, pos)) {
      AppendUtf8(out, *c);
    } else {
      AppendUtf8(out, kReplacement);
      ++pos;
    }
  }
  return out;
}

std::string CompoundTextToUtf8(std::string_view ctext) {
  CompoundTextReader reader(ctext);
  while (reader.pos < ctext.size()) {
    const unsigned char b = reader.Byte(reader.pos);
    if (b == kEsc) {
      if (!reader.ReadEscape()) break;  // cut off: nothing more to read
    } else if (b == kCsi) {
      reader.SkipDirection();
    } else {
      reader.ReadCharacter(b);
    }
  }
  return std::move(reader.out);
}

LegacyText LegacyTextFromUtf8(std::string_view utf8) {
  LegacyText text;
  std::string latin1;
  bool fits = true;
  for (std::size_t pos = 0; pos < utf8.size() && fits;) {
    const auto c = DecodeUtf8(utf8, pos);
    if (!c) {
      fits = false;
    } else if (*c < 0x20 ? (*c != '\t' && *c != '\n') : (*c >= 0x7F && *c < 0xA0) || *c > 0xFF) {
      fits = false;
    } else {
      latin1 += static_cast<char>(*c);
    }
  }
  if (fits) {
    text.bytes = std::move(latin1);
  } else {
    text.is_compound_text = true;
    text.bytes = "\x1b%G" + SanitizeUtf8(utf8) + "\x1b%@";
  }
  return text;
}

bool IsLatin1Text(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b == 0 || b == '\t' || b == '\n' || (b >= 0x20 && b < 0x7F) || b >= 0xA0;
  });
}

std::string CaptionText(std::string_view bytes, TextEncoding encoding) {
  bytes = bytes.substr(0, bytes.find('\0'));
  switch (encoding) {
    case TextEncoding::kLatin1:
      return Latin1ToUtf8(bytes);
    case TextEncoding::kCompoundText:
      return CompoundTextToUtf8(bytes);
    default:
      return SanitizeUtf8(bytes);
  }
}

std::optional<std::string> EncodeText(std::string_view utf8, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kLatin1: {
      LegacyText legacy = LegacyTextFromUtf8(utf8);
      if (legacy.is_compound_text) return std::nullopt;
      return std::move(legacy.bytes);
    }
    case TextEncoding::kCompoundText:
      // Both forms are compound text in its initial state, which every caption begins in.
      return LegacyTextFromUtf8(utf8).bytes;
    default:
      return SanitizeUtf8(utf8);
  }
}

std::optional<std::string> WithoutPrefix(std::string_view bytes, TextEncoding encoding,
                                         std::string_view prefix) {
  const std::string text = CaptionText(bytes, encoding);
  if (!text.starts_with(prefix)) return std::nullopt;
  const std::string_view rest = std::string_view(text).substr(prefix.size());
  // Mostly the prefix is there as we would have written it.
  if (const auto encoded = EncodeText(prefix, encoding);
      encoded && bytes.starts_with(*encoded) &&
      CaptionText(bytes.substr(encoded->size()), encoding) == rest) {
    return std::string(bytes.substr(encoded->size()));
  }
  // Otherwise the shortest cut that leaves the rest; a prefix never takes more than a few bytes
  // a character plus an escape sequence or two.
  const std::size_t longest = std::min(bytes.size(), prefix.size() * 4 + 32);
  for (std::size_t cut = 1; cut <= longest; ++cut) {
    if (CaptionText(bytes.substr(cut), encoding) == rest) return std::string(bytes.substr(cut));
  }
  return std::nullopt;
}

}  // namespace hoverdeck::x11
