// Ownership of the user-interface objects that are not kernel handles: fonts, brushes, menus,
// icons and accelerator tables, each freed exactly once by its own function.
#pragma once

#include <utility>

#include "ui/win32/Win32Api.h"

namespace hoverdeck::win32 {

template <typename Handle, typename Free>
class UniqueObject {
 public:
  UniqueObject() = default;
  explicit UniqueObject(Handle handle) : handle_(handle) {}
  UniqueObject(UniqueObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueObject& operator=(UniqueObject&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  UniqueObject(const UniqueObject&) = delete;
  UniqueObject& operator=(const UniqueObject&) = delete;
  ~UniqueObject() { Reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Gives the object up without freeing it (for instance to a window that frees it itself).
  Handle Release() { return std::exchange(handle_, nullptr); }
  void Reset(Handle handle = nullptr) {
    if (handle_ != nullptr) Free{}(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

struct FreeGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct FreeMenu {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct FreeIcon {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct FreeAccelerators {
  void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
};

using UniqueFont = UniqueObject<HFONT, FreeGdiObject>;
using UniqueBrush = UniqueObject<HBRUSH, FreeGdiObject>;
using UniqueMenu = UniqueObject<HMENU, FreeMenu>;
using UniqueIcon = UniqueObject<HICON, FreeIcon>;
using UniqueAccelerators = UniqueObject<HACCEL, FreeAccelerators>;

// Selects an object into a device context for the scope, then puts the old one back.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectScope() { SelectObject(dc_, old_); }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A device context of a window for the scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// The program's icon at the given size from the executable's resources; the system's
// application icon when the resource is missing (as in a test program without it).
UniqueIcon LoadProgramIcon(HINSTANCE instance, int size);

// The 8-point interface font the layout was made for, at the given dots per inch: the face of
// the system's message font, bold and underlined as asked; `average_width` in pixels narrows it
// (0 keeps the face's own width).
UniqueFont MakeInterfaceFont(int dots_per_inch, bool bold, bool underline, int average_width = 0);

// COLORREF of a 0xRRGGBB colour.
constexpr COLORREF ToColorRef(unsigned rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace hoverdeck::win32
