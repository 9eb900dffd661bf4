// The main window as plain state, with every event handler. A frontend draws this state and
// calls the handlers when the user acts; it decides nothing of its own.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/ConfigFile.h"
#include "app/ProgramHost.h"
#include "app/Settings.h"
#include "app/SortedList.h"
#include "inventory/WindowScan.h"
#include "platform/GlobalHotkey.h"
#include "platform/ProcessLookup.h"
#include "platform/Tray.h"
#include "platform/WindowSystem.h"
#include "rules/Catalogue.h"
#include "ui/CatalogueEditing.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Shell.h"
#include "ui/frmAbout.h"
#include "ui/frmHotkey.h"

namespace hoverdeck {

// The tray icon's mouse events, decoded by the tray adapter whatever the screen's scale.
enum class TrayMouseEvent { kLeftDown, kLeftDoubleClick, kRightDown, kOther };

// Mouse buttons as the handlers receive them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

// The collaborators of the main window, filled by an edition (or by fakes in the tests).
struct FormPorts {
  WindowSystem& windows;
  ProcessLookup& processes;
  Tray& tray;
  Dialogs& dialogs;
  Shell& shell;
  ProgramHost& host;
  GlobalHotkey& hotkey;
};

// Program-wide values, set by the start-up and kept for the life of the process.
struct ProgramValues {
  bool InvisibleMode = false;
  bool IsNT4OrOlder = false;
  std::string OsDescription;
  int UpdateInterval = 0;
  std::unique_ptr<ConfigFile> config;
  Settings settings;
  Catalogue TopmostCatalogue{kTopMostWindowsSection};
  Catalogue DisableXCatalogue{kDisableXSection};
  WindowTables tables;
};

class frmTop {
 public:
  explicit frmTop(FormPorts ports);
  frmTop(const frmTop&) = delete;
  frmTop& operator=(const frmTop&) = delete;

  // The form itself.
  const std::string& Caption() const { return caption_; }
  WindowState State() const { return window_state_; }
  bool Visible() const { return visible_; }
  // Set when the program must end now (second instance, confirmed quit, invisible unload).
  bool EndRequested() const { return end_requested_; }
  // Grows with every change of the caption, state or visibility.
  std::uint64_t revision() const { return revision_; }
  // The handle of the native main window, where the walk of the windows starts.
  void SetWindowHandle(WindowHandle handle) { window_handle_ = handle; }

  const ProgramValues& Values() const { return values_; }
  ConfigFile& Config() { return *values_.config; }

  // Start-up and shutdown.
  void Form_Load(std::string_view command_line);
  // After each of the user's events: a change that could not be written to the settings file is
  // told, once in the program's life.
  void AfterUserEvent();
  // Returns the cancel flag: true keeps the window (and the program) going.
  bool Form_QueryUnload();
  void mnuQuitter_Click();
  // The session ends (sign-out, shutdown, the desktop asking the program to end) while the
  // quit question cannot be asked: the icon goes and the program ends at once. Every setting
  // was saved when it changed. Safe while a handler waits on a box.
  void Form_EndSession();

  // Window state and the tray.
  // The user minimised or restored the window through its frame; `state` is its state now.
  void Form_Resize(WindowState state);
  void PictureTopMost_MouseMove(TrayMouseEvent event);
  void mnuSet_Click();
  void mnuMinimized_Click();

  // Refresh.
  void Timer1_Timer();
  void cmdRefresh_Click();
  void FillWindowLists();
  void lstFenetresNonTopMost_Click(int index);
  void lstFenetresTopMost_Click(int index);
  void lstFenetresNonTopMost_LostFocus();
  void lstFenetresTopMost_LostFocus();
  void Form_LostFocus();
  void Form_MouseMove(int buttons);
  void Frame1_Click();

  // The owning program under the pointer; `entry` is the list entry under it, if any.
  void lstFenetresNonTopMost_MouseMove(int buttons, std::optional<int> entry);
  void lstFenetresTopMost_MouseMove(int buttons, std::optional<int> entry);
  void Label1_MouseMove();
  void Label2_MouseMove();

  // Window commands.
  void lstFenetresNonTopMost_DblClick();
  void lstFenetresTopMost_DblClick();
  void lstFenetresNonTopMost_MouseDown(int button);
  void lstFenetresTopMost_MouseDown(int button);
  void mnuSetTopmost_Click();
  void mnuSetNonTopmost_Click();
  void mnuSetAllTopmost_Click();
  void mnuSetAllNonTopmost_Click();
  void mnuDisableX_Click();

  // The marker.
  void mnuTopMostCaption_Click();
  void mnuConstTopMost_Click();

  // The catalogues. A click reports the line clicked and its check box as it is now.
  void lstCatalogueTopMost_Click(int index, bool checked);
  void lstCatalogueDisableX_Click(int index, bool checked);
  void lstCatalogueTopMost_DblClick(int index);
  void lstCatalogueDisableX_DblClick(int index);
  void chkAllTopMost_MouseDown();
  void chkAllDisableX_MouseDown();
  void cmdAjouter_Click();
  void cmdModifier_Click();
  void cmdSupprimer_Click();
  void cmdAjouterDisableX_Click();
  void cmdModifierDisableX_Click();
  void cmdSupprimerDisableX_Click();

  // The hotkey for the active window (frmTopHotkey.cpp).
  void mnuHotkey_Click();
  // The held combination was pressed: the active window switches between topmost and not, as
  // a double click in the lists switches it, and the tray tells what happened.
  void Hotkey_Pressed();
  // A desktop that switches the window itself did so after a press of the combination.
  void Hotkey_Switched(const HotkeySwitch& report);

  // Help.
  void mnuAPropos_Click();

  // Runs the handler of a menu item by its name; false for an unknown name.
  bool MenuClick(std::string_view item_name);

  // Controls.
  Label lbllblProgName;
  Label lblProgName;
  Label lblUpdate;
  Label Label1;
  Label lblNbNonTopmost;
  SortedList lstFenetresNonTopMost;
  Label Label2;
  Label lblNbTopmost;
  SortedList lstFenetresTopMost;
  Label Label5, Label3, Label7, Label8, Label6, Label4, Label9, Label10;
  Label cmdRefresh;
  Label Frame1;
  SortedList lstCatalogueTopMost;
  Label cmdAjouter, cmdModifier, cmdSupprimer;
  CheckBox chkAllTopMost;
  Label Frame2;
  SortedList lstCatalogueDisableX;
  Label cmdAjouterDisableX, cmdModifierDisableX, cmdSupprimerDisableX;
  CheckBox chkAllDisableX;
  Timer Timer1;

  // Menus.
  MenuItem mnuSet, mnuQuitter;
  MenuItem mnuConstTopMost, mnuTopMostCaption, Sep1, mnuMinimized, mnuHotkey;
  MenuItem mnuAPropos;
  MenuItem mnuSetTopmost, mnuSetAllTopmost, Sep2, mnuDisableX;
  MenuItem mnuSetNonTopmost, mnuSetAllNonTopmost;
  Menu mnuFichier, mnuConfiguration, mnuHelp, mnuPopupNonTopmost, mnuPopupTopmost;

  frmAbout about;
  frmHotkey hotkeyBox;

 private:
  void SetCaption(std::string caption);
  void SetState(WindowState state);
  void SetVisible(bool visible);
  void Show();
  void PauseRefresh();
  void ResumeRefresh();
  void ScanWindows();
  void ShowProgramName(const SortedList& list, int buttons, std::optional<int> entry);
  // A window picked in a window list: its handle and its entry's text, read before any box
  // opens, since a tick may refill the list while the box is up.
  struct PickedWindow {
    WindowHandle handle;
    std::string text;
  };
  static std::optional<PickedWindow> Picked(const SortedList& list);
  // The reason a change to the window did not take, when its access tells one.
  static std::optional<std::string_view> KnownReason(WindowAccess access);
  // "<what><why>", or <what> and "the window has closed or does not allow it." without a reason.
  void SayNotChanged(std::string what, std::optional<std::string_view> why);
  // Switches the window with the timer stopped around the write: nullopt when its rectangle
  // could not be read (the window is gone), else whether the change was handed on and whether
  // the window system confirmed it.
  struct Switched {
    bool handed_on;
    bool took;
  };
  std::optional<Switched> SwitchTopmost(WindowHandle window, bool topmost);
  // A topmost switch that did not take at once: one handed on to a program that does not answer
  // is made when it answers, and said so ("'<caption><waits>"); any other is said as not made
  // ("'<caption><could_not><why>"), or only with a known reason when `quiet_refusal`.
  void SaySwitchNotTaken(const PickedWindow& picked, bool handed_on, std::string_view waits,
                         std::string_view could_not, bool quiet_refusal);
  void MakeTopmost(const PickedWindow& picked);
  void MakeNonTopmost(const PickedWindow& picked);
  void ToggleCloseItem(const PickedWindow& picked);
  void SwitchAll(SortedList& list, bool topmost);
  void Popup(const Menu& menu);
  void ApplyMarkerCaption();
  // Holds the hotkey of the settings at start-up; what the user must be told, or "".
  std::string HoldHotkeyAtStart();
  HotkeyHold ApplyHotkey(const Hotkey& hotkey);
  CatalogueEdit TopmostEdit();
  CatalogueEdit DisableXEdit();

  FormPorts ports_;
  ProgramValues values_;
  std::string caption_;
  WindowState window_state_ = WindowState::kNormal;
  bool visible_ = false;
  bool end_requested_ = false;
  WindowHandle window_handle_ = kNoWindow;
  std::uint64_t revision_ = 0;
  // What start-up has to tell the user once the window is up (a cut catalogue).
  std::string startup_notice_;
  bool told_not_written_ = false;
};

}  // namespace hoverdeck
