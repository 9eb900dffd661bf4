// Small readers of native controls shared by the main window and the dialogs.
#include "ui/win32/NativeControls.h"

namespace hoverdeck::win32 {

void ReportError(const char* what) noexcept {
  OutputDebugStringA("hoverdeck: ");
  OutputDebugStringA(what);
  OutputDebugStringA("\n");
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ListText(HWND list, int index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
  return text;
}

bool ListChecked(HWND list, int index) {
  const LRESULT data = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  return data != LB_ERR && data != 0;
}

std::optional<int> ListEntryAt(HWND list, LPARAM point) {
  const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, point);
  const int index = LOWORD(hit);
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  if (HIWORD(hit) != 0 || index >= count) return std::nullopt;
  return index;
}

}  // namespace hoverdeck::win32
