#include "ui/win32/CaptionRoom.h"

#include <algorithm>

namespace hoverdeck::win32 {

CaptionRoom RoomForCaption(ControlType type, SIZE client, int dpi, const TEXTMETRICW& metrics) {
  CaptionRoom room{client, DT_WORDBREAK};
  switch (type) {
    case ControlType::kFrame:
      room.size.cx -= 2 * MulDiv(9, dpi, 96);
      room.size.cy = metrics.tmHeight;
      room.format = DT_SINGLELINE;
      break;
    case ControlType::kCheckBox:
      room.size.cx -= MulDiv(13, dpi, 96) +
                      std::max(MulDiv(6, dpi, 96), static_cast<int>(metrics.tmAveCharWidth));
      break;
    case ControlType::kButton:
      room.size.cx -= 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
      room.size.cy -= 2 * (GetSystemMetrics(SM_CYEDGE) + 1);
      room.format = DT_SINGLELINE;
      break;
    default:
      // A label shows an "&" as it is.
      room.format |= DT_NOPREFIX;
      break;
  }
  return room;
}

}  // namespace hoverdeck::win32
