#include "ui/win32/Win32Shell.h"

#include "platform/win32/WideText.h"
#include "ui/win32/Win32Api.h"

namespace hoverdeck {

std::int32_t Win32Shell::Open(const std::string& address) {
  const HINSTANCE result = ShellExecuteW(GetDesktopWindow(), L"open",
                                         win32::Widen(address).c_str(), L"", L"C:\\",
                                         SW_SHOWNORMAL);
  // The shell answers a number in the shape of a handle: above 32 on success.
  return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(result));
}

}  // namespace hoverdeck
