// Building the Win32 main window's native controls and menu bar from the form's layout table.
#include <string>
#include <vector>

#include "platform/win32/WideText.h"
#include "ui/FormLayout.h"
#include "ui/win32/Win32MainWindow.h"

namespace hoverdeck {
namespace {

using win32::Widen;

constexpr UINT kFirstMenuCommand = 1000;

// The virtual key of a function-key shortcut such as "F1"; nullopt for anything else.
std::optional<WORD> FunctionKey(std::string_view shortcut) {
  if (shortcut.size() < 2 || shortcut.size() > 3 || shortcut[0] != 'F') return std::nullopt;
  int number = 0;
  for (const char digit : shortcut.substr(1)) {
    if (digit < '0' || digit > '9') return std::nullopt;
    number = number * 10 + (digit - '0');
  }
  if (number < 1 || number > 24) return std::nullopt;
  return static_cast<WORD>(VK_F1 + number - 1);
}

// The caption a control shows from the start (the layout's fixed texts), as the control shows it.
std::string FixedCaption(const ControlBinding& binding, ControlType type) {
  if (binding.check_box) return binding.check_box->Caption();
  if (!binding.label) return {};
  return type == ControlType::kLabel ? binding.label->Shown() : binding.label->Caption();
}

}  // namespace

void Win32MainWindow::BuildControls() {
  const auto layouts = FrmTopLayout();
  by_id_.assign(layouts.size(), nullptr);
  for (std::size_t index = 0; index < layouts.size(); ++index) {
    const ControlLayout& layout = layouts[index];
    if (!layout.shown) continue;
    const ControlBinding binding = BindingOf(form_, layout.name);
    const std::optional<ControlKind> kind = KindOf(layout, binding.label != nullptr);
    if (!kind) continue;
    if (NativeControl* control = CreateControl(index, layout, *kind, binding)) {
      BindControl(*control, binding);
    }
  }
}

std::optional<Win32MainWindow::ControlKind> Win32MainWindow::KindOf(const ControlLayout& layout,
                                                                    bool captioned) {
  ControlKind kind;
  kind.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  switch (layout.type) {
    case ControlType::kLabel:
      // SS_NOTIFY makes the label a target of the mouse, as the layout's labels are. The core
      // decides what an "&" means (Label::Shown), so the control shows the text as it is.
      kind.style |= SS_NOTIFY | SS_NOPREFIX | (layout.right_aligned ? SS_RIGHT : SS_LEFT);
      if (layout.name == "Label1" || layout.name == "Label2") kind.role = Role::kBanner;
      break;
    case ControlType::kListBox:
    case ControlType::kCheckListBox:
      // No LBS_SORT: the entries come in the core's order.
      kind.class_name = L"LISTBOX";
      kind.style |= WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      if (layout.type == ControlType::kCheckListBox) {
        kind.style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
      }
      kind.ex_style = WS_EX_CLIENTEDGE;
      kind.role = Role::kList;
      break;
    case ControlType::kFrame:
      // A frame with a caption is a group box; the captionless one a plain container.
      if (captioned) {
        kind.class_name = L"BUTTON";
        kind.style |= BS_GROUPBOX;
      }
      kind.style |= WS_CLIPCHILDREN;
      kind.ex_style = WS_EX_CONTROLPARENT;
      kind.role = Role::kContainer;
      break;
    case ControlType::kButton:
      kind.class_name = L"BUTTON";
      kind.style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlType::kCheckBox:
      // Not an automatic box: it shows the core's value only.
      kind.class_name = L"BUTTON";
      kind.style |= BS_CHECKBOX | BS_MULTILINE | WS_TABSTOP;
      kind.role = Role::kCheckBox;
      break;
    case ControlType::kPicture:
      return std::nullopt;
  }
  return kind;
}

Win32MainWindow::NativeControl* Win32MainWindow::CreateControl(std::size_t index,
                                                               const ControlLayout& layout,
                                                               const ControlKind& kind,
                                                               const ControlBinding& binding) {
  HWND parent = layout.container.empty() ? window_ : Control(layout.container);
  if (!parent) parent = window_;
  NativeControl& control = controls_[std::string(layout.name)];
  control.owner = this;
  control.layout = &layout;
  control.role = kind.role;
  by_id_[index] = &control;
  control.list = binding.list;
  control.handler = binding.action;

  control.window = CreateWindowExW(
      kind.ex_style, kind.class_name, L"", kind.style, Px(layout.left), Px(layout.top),
      Px(layout.width), Px(layout.height), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(index))),
      instance_, nullptr);
  if (!control.window) return nullptr;
  // The subclass goes in before any child is made, so a frame forwards its children's notices.
  SetWindowSubclass(control.window, &Win32MainWindow::ControlProc, 1,
                    reinterpret_cast<DWORD_PTR>(&control));
  SendMessageW(
      control.window, WM_SETFONT,
      reinterpret_cast<WPARAM>(FittingFont(control, Widen(FixedCaption(binding, layout.type)))),
      FALSE);
  // Later entries of the layout lie above earlier ones.
  SetWindowPos(control.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (layout.type == ControlType::kCheckListBox) {
    SendMessageW(control.window, LB_SETITEMHEIGHT, 0, item_height_);
  }
  return &control;
}

std::wstring Win32MainWindow::MenuText(const MenuItem& item) {
  std::string text = item.Caption();
  if (!item.Shortcut().empty()) text += "\t" + item.Shortcut();
  return Widen(text);
}

void Win32MainWindow::BuildMenus() {
  menu_bar_.Reset(CreateMenu());
  std::vector<ACCEL> accelerators;
  UINT next_command = kFirstMenuCommand;
  for (const Menu* menu : {&form_.mnuFichier, &form_.mnuConfiguration, &form_.mnuHelp}) {
    if (!menu->InMenuBar()) continue;
    win32::UniqueMenu popup(CreatePopupMenu());
    for (const MenuItem* item : menu->Items()) {
      if (item->IsSeparator()) {
        AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const UINT command = next_command++;
      AppendMenuW(popup.get(), MF_STRING, command, MenuText(*item).c_str());
      command_names_[static_cast<int>(command)] = item->Name();
      menu_items_.push_back({item, command});
      if (const auto key = FunctionKey(item->Shortcut())) {
        accelerators.push_back({FVIRTKEY, *key, static_cast<WORD>(command)});
      }
    }
    // The bar owns the menu from here on.
    AppendMenuW(menu_bar_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup.Release()),
                Widen(menu->Caption()).c_str());
  }
  if (!accelerators.empty()) {
    accelerators_.Reset(
        CreateAcceleratorTableW(accelerators.data(), static_cast<int>(accelerators.size())));
  }
}

}  // namespace hoverdeck
