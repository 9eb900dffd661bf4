#include "ui/win32/GdiHandles.h"

#include "ui/win32/Resources.h"

namespace hoverdeck::win32 {

UniqueIcon LoadProgramIcon(HINSTANCE instance, int size) {
  HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(IDI_HOVERDECK), IMAGE_ICON, size, size, 0);
  if (icon) return UniqueIcon(static_cast<HICON>(icon));
  // A copy, so that it can be destroyed like the loaded one.
  return UniqueIcon(CopyIcon(LoadIconW(nullptr, MAKEINTRESOURCEW(32512) /* IDI_APPLICATION */)));
}

UniqueFont MakeInterfaceFont(int dots_per_inch, bool bold, bool underline, int average_width) {
  LOGFONTW font{};
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    font = metrics.lfMessageFont;
  } else {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  }
  // The places were made for an 8-point face; a larger desktop font would cut the captions.
  font.lfHeight = -MulDiv(8, dots_per_inch, 72);
  font.lfWidth = average_width;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfItalic = FALSE;
  return UniqueFont(CreateFontIndirectW(&font));
}

}  // namespace hoverdeck::win32
