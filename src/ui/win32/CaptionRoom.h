// The room a native control gives its caption, as the system draws it there.
#pragma once

#include "ui/FormLayout.h"
#include "ui/win32/Win32Api.h"

namespace hoverdeck::win32 {

struct CaptionRoom {
  SIZE size;    // the width the text may take, and the height of the lines the control shows
  UINT format;  // how the control lays the text out, for DrawText
};

// The room in a control of that type with that client area, for a font with these metrics at
// that scale: a group box indents its one-line title and keeps clear of its frame, a check box
// writes beside its glyph and a gap, a button inside its edges on one line, a label over all of
// its client area.
CaptionRoom RoomForCaption(ControlType type, SIZE client, int dpi, const TEXTMETRICW& metrics);

}  // namespace hoverdeck::win32
