#include "platform/win32/WideText.h"

#include <windows.h>

#include <array>
#include <climits>

#include "app/Utf8.h"

namespace hoverdeck::win32 {

// Both conversions run in two passes: the first asks for the length. Without
// MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS the system substitutes U+FFFD for broken
// sequences (lone surrogates included) instead of failing.
std::wstring Widen(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX) return {};
  const int in_size = static_cast<int>(utf8.size());
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  const int written = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, wide.data(), size);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty() || utf16.size() > INT_MAX) return {};
  const int in_size = static_cast<int>(utf16.size());
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in_size, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  const int written =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in_size, narrow.data(), size, nullptr, nullptr);
  narrow.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return narrow;
}

namespace {

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string NarrowExact(std::wstring_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = static_cast<char16_t>(utf16[i]);
    if (IsHighSurrogate(c) && i + 1 < utf16.size() &&
        IsLowSurrogate(static_cast<char16_t>(utf16[i + 1]))) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(utf16[++i]) - 0xDC00);
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::wstring WidenExact(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
  for (std::size_t pos = 0; pos < utf8.size();) {
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    char32_t c = 0;
    if (lead < 0x80) {
      length = 1, c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07;
    }
    bool whole = length != 0 && pos + length <= utf8.size();
    for (std::size_t i = 1; whole && i < length; ++i) {
      whole = (byte(pos + i) & 0xC0) == 0x80;
      c = (c << 6) | (byte(pos + i) & 0x3F);
    }
    constexpr std::array<char32_t, 5> kShortest = {0, 0, 0x80, 0x800, 0x10000};
    if (!whole || c < kShortest[length] || c > 0x10FFFF) {
      out += L'\xFFFD';
      ++pos;
      continue;
    }
    pos += length;
    if (c >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

}  // namespace hoverdeck::win32
