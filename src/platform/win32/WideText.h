// UTF-8 (the core's text) to and from UTF-16 (the wide Win32 entry points).
#pragma once

#include <string>
#include <string_view>

namespace hoverdeck::win32 {

// Invalid input never fails: broken sequences become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The same for other programs' captions, which must come back exactly as they were: a lone
// surrogate keeps its place as the three bytes UTF-8 would give its code point, and turns back
// into itself. Other broken sequences still become U+FFFD.
std::string NarrowExact(std::wstring_view utf16);
std::wstring WidenExact(std::string_view utf8);

}  // namespace hoverdeck::win32
