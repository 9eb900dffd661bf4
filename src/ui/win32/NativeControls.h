// Small readers of native controls shared by the main window and the dialogs: window and list
// texts, list check marks and hits, and the debugger report of an error caught at a callback.
#pragma once

#include <optional>
#include <string>

#include "ui/win32/Win32Api.h"

namespace hoverdeck::win32 {

// Writes a caught error to the debugger's output; nothing may leave an OS callback.
void ReportError(const char* what) noexcept;

std::wstring WindowText(HWND window);
// The text of a list box entry; empty when there is no such entry.
std::wstring ListText(HWND list, int index);
// The check mark an owner-drawn list keeps in an entry's item data.
bool ListChecked(HWND list, int index);
// The list entry under a point of the list's client area, if any.
std::optional<int> ListEntryAt(HWND list, LPARAM point);

}  // namespace hoverdeck::win32
