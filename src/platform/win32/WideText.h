// UTF-8 (the core's text) to and from UTF-16 (the wide Win32 entry points).
#pragma once

#include <string>
#include <string_view>

namespace hoverdeck::win32 {

// Invalid input never fails: broken sequences become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace hoverdeck::win32
