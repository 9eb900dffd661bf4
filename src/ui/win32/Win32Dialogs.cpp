#include "ui/win32/Win32Dialogs.h"

#include <algorithm>
#include <exception>
#include <initializer_list>
#include <string_view>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32GlobalHotkey.h"
#include "ui/frmHotkey.h"
#include "ui/win32/NativeControls.h"

namespace hoverdeck {
namespace {

using win32::Narrow;
using win32::ReportError;
using win32::Widen;
using win32::WindowText;

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

// Runs a handler of a box; nothing may leave a dialog procedure.
template <typename Fn>
void Guarded(Fn&& fn) noexcept {
  try {
    fn();
  } catch (const std::exception& error) {
    ReportError(error.what());
  } catch (...) {
    ReportError("unknown error");
  }
}

// A dialog template built in memory, in dialog units, with the shell's dialog font.
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, std::wstring_view title, short width, short height) {
    PushDword(style | DS_SETFONT);
    PushDword(0);
    count_at_ = words_.size();
    words_.push_back(0);
    PushShorts({0, 0, width, height});
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    PushString(title);
    words_.push_back(8);
    PushString(L"MS Shell Dlg");
  }

  void Add(DWORD style, short x, short y, short width, short height, int id, WORD class_atom,
           std::wstring_view text) {
    if (words_.size() % 2 != 0) words_.push_back(0);  // items start on a DWORD boundary
    PushDword(style | WS_CHILD | WS_VISIBLE);
    PushDword(0);
    PushShorts({x, y, width, height});
    words_.push_back(static_cast<WORD>(id));
    words_.push_back(0xFFFF);
    words_.push_back(class_atom);
    PushString(text);
    words_.push_back(0);  // no creation data
    ++words_[count_at_];
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void PushDword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void PushShorts(std::initializer_list<short> values) {
    for (const short value : values) words_.push_back(static_cast<WORD>(value));
  }
  void PushString(std::wstring_view text) {
    for (const wchar_t c : text) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }

  std::vector<WORD> words_;
  std::size_t count_at_ = 0;
};

// ---- Input box ----

struct InputState {
  std::wstring prompt;
  std::wstring title;
  std::wstring text;
  bool accepted = false;
};

INT_PTR OnInputMessage(HWND dialog, UINT message, WPARAM wparam, InputState& state) noexcept {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowTextW(dialog, state.title.c_str());
      SetDlgItemTextW(dialog, kInputPromptId, state.prompt.c_str());
      HWND edit = GetDlgItem(dialog, kInputEditId);
      SetWindowTextW(edit, state.text.c_str());
      SendMessageW(edit, EM_SETSEL, 0, -1);
      SetFocus(edit);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        state.text = WindowText(GetDlgItem(dialog, kInputEditId));
        state.accepted = true;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK InputProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
  auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  return state ? OnInputMessage(dialog, message, wparam, *state) : FALSE;
}

// ---- About box ----

struct AboutState {
  frmAbout& about;
  HINSTANCE instance;
  win32::UniqueIcon icon;
  HWND link = nullptr;
};

// Gives the box the size of what it holds (a client area of `width` by `height`), centred over
// its owner (or the work area).
void FitAndCentre(HWND dialog, int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int outer_width = frame.right - frame.left;
  const int outer_height = frame.bottom - frame.top;
  RECT area{};
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &area)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - outer_width) / 2,
               area.top + (area.bottom - area.top - outer_height) / 2, outer_width, outer_height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOutAbout(HWND dialog, AboutState& state) {
  frmAbout& about = state.about;
  SetWindowTextW(dialog, Widen(about.Caption()).c_str());
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  const win32::WindowDc dc(dialog);
  const int dpi = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
  const auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
  const int margin = scaled(12);
  const int icon_size = scaled(32);
  const int width = scaled(470);

  state.icon = win32::LoadProgramIcon(state.instance, icon_size);
  HWND icon = CreateWindowExW(
      0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, margin, margin, icon_size, icon_size,
      dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAboutIconId)), state.instance, nullptr);
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(state.icon.get()), 0);
  SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state.icon.get()));

  const int left = margin * 2 + icon_size;
  const int text_width = width - left - margin;
  int top = margin;
  const win32::SelectScope selected(dc.get(), font);
  const Label* const labels[] = {&about.lblCredit, &about.Label1, &about.Label2,
                                 &about.Label6,    &about.Label4, &about.Label5,
                                 &about.Label3,    &about.Label7, &about.lblLink};
  int id = kAboutFirstLabelId;
  for (const Label* label : labels) {
    const bool is_link = label == &about.lblLink;
    // Static controls show "&&" as "&", as the captions expect; the measure does the same.
    const std::wstring text = Widen(label->Caption());
    RECT measure{0, 0, text_width, 0};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &measure,
              DT_CALCRECT | DT_WORDBREAK);
    const int height = std::max<int>(measure.bottom, scaled(13));
    const int control_id = is_link ? kAboutLinkId : id++;
    HWND control = CreateWindowExW(
        0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | (is_link ? SS_NOTIFY : 0),
        left, top, text_width, height, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)), state.instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (is_link) state.link = control;
    top += height + scaled(6);
  }

  const int button_width = scaled(75);
  const int button_height = scaled(23);
  top += scaled(4);
  HWND ok =
      CreateWindowExW(0, L"BUTTON", Widen(about.cmdOK.Caption()).c_str(),
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                      (width - button_width) / 2, top, button_width, button_height, dialog,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), state.instance, nullptr);
  SendMessageW(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  top += button_height + margin;

  FitAndCentre(dialog, width, top);
  SetFocus(ok);
}

INT_PTR OnAboutMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam,
                       AboutState& state) noexcept {
  switch (message) {
    case WM_INITDIALOG:
      Guarded([&] { LayOutAbout(dialog, state); });
      return FALSE;  // the focus is set
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == state.link && state.link) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, kLinkColour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == state.link && state.link) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649) /* IDC_HAND */));
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      break;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          Guarded([&] { state.about.cmdOK_Click(); });
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case kAboutLinkId:
          if (HIWORD(wparam) == STN_CLICKED) Guarded([&] { state.about.lblLink_Click(); });
          return TRUE;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
  auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  return state ? OnAboutMessage(dialog, message, wparam, lparam, *state) : FALSE;
}

// ---- Hotkey box ----

struct HotkeyState {
  frmHotkey& box;
};

void RedrawHotkey(HWND dialog, const frmHotkey& box) {
  SetDlgItemTextW(dialog, kHotkeyFieldId, Widen(box.txtHotkey.Caption()).c_str());
  SetDlgItemTextW(dialog, kHotkeyStatusId, Widen(box.lblStatus.Caption()).c_str());
  if (!box.Loaded()) EndDialog(dialog, IDOK);
}

bool IsModifierKey(WPARAM key) {
  switch (key) {
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_CAPITAL:
    case VK_NUMLOCK:
      return true;
    default:
      return false;
  }
}

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// The field takes every key: a press with the modifiers held goes to the form, except Return
// and Escape alone, which answer the box.
LRESULT CALLBACK HotkeyFieldProc(HWND field, UINT message, WPARAM wparam, LPARAM lparam,
                                 UINT_PTR /*id*/, DWORD_PTR data) noexcept {
  auto& state = *reinterpret_cast<HotkeyState*>(data);
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_CHAR:
    case WM_SYSCHAR:
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      if (IsModifierKey(wparam)) return 0;
      Hotkey pressed{0, KeyNameOf(static_cast<UINT>(wparam))};
      if (KeyDown(VK_CONTROL)) pressed.modifiers |= Hotkey::kCtrl;
      if (KeyDown(VK_MENU)) pressed.modifiers |= Hotkey::kAlt;
      if (KeyDown(VK_SHIFT)) pressed.modifiers |= Hotkey::kShift;
      if (KeyDown(VK_LWIN) || KeyDown(VK_RWIN)) pressed.modifiers |= Hotkey::kLogo;
      HWND dialog = GetParent(field);
      if (pressed.modifiers == 0 && (wparam == VK_RETURN || wparam == VK_ESCAPE)) {
        PostMessageW(dialog, WM_COMMAND, wparam == VK_RETURN ? IDOK : IDCANCEL, 0);
        return 0;
      }
      Guarded([&] { state.box.txtHotkey_KeyDown(pressed); });
      RedrawHotkey(dialog, state.box);
      return 0;
    }
    default:
      return DefSubclassProc(field, message, wparam, lparam);
  }
}

INT_PTR OnHotkeyMessage(HWND dialog, UINT message, WPARAM wparam, HotkeyState& state) noexcept {
  frmHotkey& box = state.box;
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowTextW(dialog, Widen(box.Caption()).c_str());
      SetDlgItemTextW(dialog, kInputPromptId, Widen(box.lblPrompt.Caption()).c_str());
      HWND field = GetDlgItem(dialog, kHotkeyFieldId);
      SetWindowSubclass(field, &HotkeyFieldProc, 1, reinterpret_cast<DWORD_PTR>(&state));
      RedrawHotkey(dialog, box);
      SetFocus(field);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          Guarded([&] { box.cmdOK_Click(); });
          break;
        case kHotkeyClearId:
          Guarded([&] { box.cmdClear_Click(); });
          break;
        case IDCANCEL:
          Guarded([&] { box.cmdCancel_Click(); });
          break;
        default:
          return FALSE;
      }
      RedrawHotkey(dialog, box);
      SetFocus(GetDlgItem(dialog, kHotkeyFieldId));
      return TRUE;
    case WM_DESTROY:
      RemoveWindowSubclass(GetDlgItem(dialog, kHotkeyFieldId), &HotkeyFieldProc, 1);
      break;
    default:
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK HotkeyProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
  auto* state = reinterpret_cast<HotkeyState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  return state ? OnHotkeyMessage(dialog, message, wparam, *state) : FALSE;
}

}  // namespace

UINT MessageBoxStyle(MessageIcon icon, MessageButtons buttons) {
  UINT style = buttons == MessageButtons::kYesNo ? MB_YESNO : MB_OK;
  switch (icon) {
    case MessageIcon::kInformation:
      style |= MB_ICONINFORMATION;
      break;
    case MessageIcon::kExclamation:
      style |= MB_ICONEXCLAMATION;
      break;
    case MessageIcon::kQuestion:
      style |= MB_ICONQUESTION;
      break;
  }
  return style;
}

std::optional<std::string> NativePopup::NameOf(UINT command) const {
  if (command == 0 || command > names.size()) return std::nullopt;
  return names[command - 1];
}

NativePopup BuildPopupMenu(const Menu& menu) {
  NativePopup popup;
  popup.menu.Reset(CreatePopupMenu());
  for (const MenuItem* item : menu.Items()) {
    if (item->IsSeparator()) {
      AppendMenuW(popup.menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    popup.names.push_back(item->Name());
    const UINT flags = MF_STRING | (item->Checked() ? MF_CHECKED : MF_UNCHECKED);
    AppendMenuW(popup.menu.get(), flags, popup.names.size(), Widen(item->Caption()).c_str());
  }
  return popup;
}

MessageAnswer Win32Dialogs::MessageBox(const std::string& text, std::string_view title,
                                       MessageIcon icon, MessageButtons buttons) {
  const int answer = MessageBoxW(owner_, Widen(text).c_str(), Widen(title).c_str(),
                                 MessageBoxStyle(icon, buttons));
  if (buttons == MessageButtons::kYesNo) {
    return answer == IDYES ? MessageAnswer::kYes : MessageAnswer::kNo;
  }
  return MessageAnswer::kOk;
}

std::string Win32Dialogs::InputBox(const std::string& prompt, std::string_view title,
                                   const std::string& default_text) {
  InputState state{Widen(prompt), Widen(title), Widen(default_text), false};
  DialogTemplate dialog(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, L"", 250,
                        96);
  dialog.Add(SS_LEFT | SS_NOPREFIX, 7, 7, 178, 60, kInputPromptId, kStaticClass, L"");
  dialog.Add(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 76, 236, 13, kInputEditId, kEditClass,
             L"");
  dialog.Add(BS_DEFPUSHBUTTON | WS_TABSTOP, 191, 7, 52, 14, IDOK, kButtonClass, L"OK");
  dialog.Add(BS_PUSHBUTTON | WS_TABSTOP, 191, 25, 52, 14, IDCANCEL, kButtonClass, L"Cancel");
  DialogBoxIndirectParamW(instance_, dialog.get(), owner_, &InputProc,
                          reinterpret_cast<LPARAM>(&state));
  return state.accepted ? Narrow(state.text) : std::string();
}

std::optional<std::string> Win32Dialogs::PopupMenu(const Menu& menu) {
  if (!owner_) return std::nullopt;
  const NativePopup popup = BuildPopupMenu(menu);
  POINT at{};
  GetCursorPos(&at);
  // The menu closes when clicked away only if its window is in the foreground.
  SetForegroundWindow(owner_);
  const UINT command = static_cast<UINT>(
      TrackPopupMenu(popup.menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y,
                     0, owner_, nullptr));
  PostMessageW(owner_, WM_NULL, 0, 0);
  return popup.NameOf(command);
}

void Win32Dialogs::ShowAbout(frmAbout& about) {
  AboutState state{about, instance_, {}, nullptr};
  DialogTemplate dialog(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, L"", 300, 200);
  DialogBoxIndirectParamW(instance_, dialog.get(), owner_, &AboutProc,
                          reinterpret_cast<LPARAM>(&state));
}

void Win32Dialogs::ShowHotkey(frmHotkey& box) {
  HotkeyState state{box};
  DialogTemplate dialog(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, L"", 250,
                        108);
  dialog.Add(SS_LEFT | SS_NOPREFIX, 7, 7, 236, 30, kInputPromptId, kStaticClass, L"");
  dialog.Add(ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 40, 236, 13, kHotkeyFieldId,
             kEditClass, L"");
  dialog.Add(SS_LEFT | SS_NOPREFIX, 7, 58, 236, 24, kHotkeyStatusId, kStaticClass, L"");
  dialog.Add(BS_PUSHBUTTON | WS_TABSTOP, 83, 87, 52, 14, kHotkeyClearId, kButtonClass,
             Widen(box.cmdClear.Caption()).c_str());
  dialog.Add(BS_DEFPUSHBUTTON | WS_TABSTOP, 137, 87, 52, 14, IDOK, kButtonClass,
             Widen(box.cmdOK.Caption()).c_str());
  dialog.Add(BS_PUSHBUTTON | WS_TABSTOP, 191, 87, 52, 14, IDCANCEL, kButtonClass,
             Widen(box.cmdCancel.Caption()).c_str());
  DialogBoxIndirectParamW(instance_, dialog.get(), owner_, &HotkeyProc,
                          reinterpret_cast<LPARAM>(&state));
}

}  // namespace hoverdeck
