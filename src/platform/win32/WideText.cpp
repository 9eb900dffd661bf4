#include "platform/win32/WideText.h"

#include <windows.h>

#include <climits>

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

}  // namespace hoverdeck::win32
