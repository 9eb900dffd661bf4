#include "ui/frmTop.h"

#include <utility>

#include "actions/CaptionMarker.h"
#include "actions/CloseItem.h"
#include "actions/TopmostSwitch.h"
#include "app/CommandLine.h"
#include "app/OneLine.h"
#include "app/ProgramConstants.h"
#include "inventory/ProgramLookup.h"
#include "ui/frmTopTexts.h"

namespace hoverdeck {
namespace {

std::string TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

WindowHandle HandleOf(const SortedList& list, int index) {
  return static_cast<WindowHandle>(list.Item(index).item_data);
}

void FillList(SortedList& list, int count, const WindowEntry& (WindowTables::*entry)(int) const,
              const WindowTables& tables) {
  list.Clear();
  for (int i = 0; i < count; ++i) {
    const WindowEntry& window = (tables.*entry)(i);
    const int index = list.Add(window.caption);
    const auto handle = HandleFromText(window.handle_text);
    list.SetItemData(index, static_cast<std::int32_t>(handle.value_or(kNoWindow)));
  }
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Why only XWayland windows are reached, in the words that help the user most.
std::string_view WaylandOnlyNotice(WaylandNotice reason) {
  switch (reason) {
    case WaylandNotice::kLoginNeeded: return texts::kGnomeLoginNeeded;
    case WaylandNotice::kExtensionOff: return texts::kGnomeExtensionOff;
    case WaylandNotice::kUserExtensionsOff: return texts::kGnomeUserExtensionsOff;
    case WaylandNotice::kNone: break;
  }
  return texts::kXWaylandOnly;
}

// Tells where the strings of a cut catalogue section are; "" when it was not cut.
std::string CutListNotice(const ConfigFile& config, const Catalogue& catalogue,
                          const CatalogueLoad& load) {
  if (!load.cut()) return {};
  std::string text(texts::kCutListPrefix);
  text += catalogue.section();
  text += texts::kCutListOf;
  text += PathText(config.path());
  text += texts::kCutListHolds;
  text += std::to_string(load.held);
  text += texts::kCutListUses;
  text += std::to_string(catalogue.count());
  text += load.backed_up ? texts::kCutListBackedUp : texts::kCutListNotBackedUp;
  text += PathText(load.backup);
  return text + ".\r\n";
}

}  // namespace

frmTop::frmTop(FormPorts ports)
    : lbllblProgName(texts::kLblLblProgName),
      Label1(texts::kLabel1),
      Label2(texts::kLabel2),
      Label5(texts::kLabel5),
      Label3(texts::kLabel3),
      Label7(texts::kLabel7),
      Label8(texts::kLabel8),
      Label6(texts::kLabel6),
      Label4(texts::kLabel4),
      Label9(texts::kLabel9),
      Label10(texts::kLabel10),
      cmdRefresh(texts::kCmdRefresh),
      Frame1(texts::kFrame1),
      cmdAjouter(texts::kCmdAjouter),
      cmdModifier(texts::kCmdModifier),
      cmdSupprimer(texts::kCmdSupprimer),
      chkAllTopMost(texts::kChkAllTopMost),
      Frame2(texts::kFrame2),
      cmdAjouterDisableX(texts::kCmdAjouter),
      cmdModifierDisableX(texts::kCmdModifier),
      cmdSupprimerDisableX(texts::kCmdSupprimer),
      chkAllDisableX(texts::kChkAllDisableX),
      mnuSet("mnuSet", texts::kMnuSet),
      mnuQuitter("mnuQuitter", texts::kMnuQuitter),
      mnuConstTopMost("mnuConstTopMost", texts::kMnuConstTopMost),
      mnuTopMostCaption("mnuTopMostCaption", texts::kMnuTopMostCaption),
      Sep1("Sep1", "-"),
      mnuMinimized("mnuMinimized", texts::kMnuMinimized),
      mnuHotkey("mnuHotkey", texts::kMnuHotkey),
      mnuAPropos("mnuAPropos", texts::kMnuAPropos, texts::kMnuAProposShortcut),
      mnuSetTopmost("mnuSetTopmost", texts::kMnuSetTopmost),
      mnuSetAllTopmost("mnuSetAllTopmost", texts::kMnuSetAllTopmost),
      Sep2("Sep2", "-"),
      mnuDisableX("mnuDisableX", texts::kMnuDisableX),
      mnuSetNonTopmost("mnuSetNonTopmost", texts::kMnuSetNonTopmost),
      mnuSetAllNonTopmost("mnuSetAllNonTopmost", texts::kMnuSetAllNonTopmost),
      mnuFichier("mnuFichier", texts::kMnuFichier, true, {&mnuSet, &mnuQuitter}),
      mnuConfiguration("mnuConfiguration", texts::kMnuConfiguration, true,
                       {&mnuConstTopMost, &mnuTopMostCaption, &Sep1, &mnuMinimized, &mnuHotkey}),
      mnuHelp("mnuHelp", texts::kMnuHelp, true, {&mnuAPropos}),
      mnuPopupNonTopmost("mnuPopupNonTopmost", "mnuPopupNonTopmost", false,
                         {&mnuSetTopmost, &mnuSetAllTopmost, &Sep2, &mnuDisableX}),
      mnuPopupTopmost("mnuPopupTopmost", "mnuPopupTopmost", false,
                      {&mnuSetNonTopmost, &mnuSetAllNonTopmost}),
      about(ports.shell),
      ports_(ports) {
  lblProgName.SetUseMnemonic(false);
}

void frmTop::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  ++revision_;
}

void frmTop::SetState(WindowState state) {
  if (state == window_state_) return;
  window_state_ = state;
  ++revision_;
}

void frmTop::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  ++revision_;
}

// ---- Start-up and shutdown ----

void frmTop::Form_Load(std::string_view command_line) {
  const auto started = std::filesystem::file_time_type::clock::now();
  const CommandLineOptions options = ParseCommandLine(command_line);
  values_.InvisibleMode = options.invisible;

  if (ports_.host.AnotherInstanceRunning()) {
    if (!options.silent) {
      ports_.dialogs.MessageBox(std::string(texts::kProgramAlreadyRunning), kMessageTitle,
                                MessageIcon::kExclamation, MessageButtons::kOk);
    }
    end_requested_ = true;
    return;
  }

  const OsFacts os = ports_.host.OperatingSystem();
  values_.IsNT4OrOlder = os.is_nt4_or_older;
  values_.OsDescription = os.description;
  SetCaption(MainWindowCaption(values_.OsDescription));

  values_.UpdateInterval = kUpdateInterval;
  Timer1.SetInterval(values_.UpdateInterval);
  Timer1.SetEnabled(true);

  values_.config = std::make_unique<ConfigFile>(ConfigFilePath(ports_.host));
  ConfigFile& config = *values_.config;
  // The temporary files of a write killed half-way in an earlier run.
  config.RemoveLeftovers(started);
  CatalogueLoad topmost, disable_x;
  {
    // One reading of the file, and at most one write, for the whole start-up.
    ConfigFile::Batch batch(config);
    Settings& settings = values_.settings;
    settings = LoadSettings(config);
    chkAllTopMost.SetValue(settings.SetAllTopMost);
    mnuTopMostCaption.SetChecked(settings.SetTopMostCaption);
    ApplyMarkerCaption();
    chkAllDisableX.SetValue(settings.SetAllDisableX);
    if (settings.Minimized) SetState(WindowState::kMinimized);
    mnuMinimized.SetChecked(settings.Minimized);
    topmost = LoadCatalogue(config, values_.TopmostCatalogue, lstCatalogueTopMost);
    disable_x = LoadCatalogue(config, values_.DisableXCatalogue, lstCatalogueDisableX);
  }
  const std::string hotkey_notice = HoldHotkeyAtStart();
  if (!values_.InvisibleMode) {
    startup_notice_ = CutListNotice(config, values_.TopmostCatalogue, topmost) +
                      CutListNotice(config, values_.DisableXCatalogue, disable_x) + hotkey_notice;
    if (os.xwayland_only) startup_notice_ += WaylandOnlyNotice(os.wayland_notice);
  }

  if (values_.InvisibleMode) {
    SetVisible(false);
  } else {
    ports_.tray.Add(ProgramTitle());
    Show();
  }

  ScanWindows();
  FillWindowLists();
}

void frmTop::Show() {
  SetVisible(true);
  // Coming up minimised raises the resize handling, which hides the window at once.
  Form_Resize(window_state_);
}

bool frmTop::Form_QueryUnload() {
  if (values_.InvisibleMode) {
    end_requested_ = true;
    return false;
  }
  const auto answer = ports_.dialogs.MessageBox(std::string(texts::kQuitQuestion), kMessageTitle,
                                                MessageIcon::kQuestion, MessageButtons::kYesNo);
  if (answer != MessageAnswer::kYes) return true;
  ports_.tray.Delete();
  end_requested_ = true;
  return false;
}

void frmTop::mnuQuitter_Click() { Form_QueryUnload(); }

void frmTop::Form_EndSession() {
  if (end_requested_) return;
  if (!values_.InvisibleMode) ports_.tray.Delete();
  end_requested_ = true;
}

// ---- Window state and the tray ----

void frmTop::Form_Resize(WindowState state) {
  SetState(state);
  if (window_state_ == WindowState::kMinimized) SetVisible(false);
}

void frmTop::PictureTopMost_MouseMove(TrayMouseEvent event) {
  switch (event) {
    case TrayMouseEvent::kLeftDoubleClick:
      if (window_state_ == WindowState::kMinimized) {
        SetState(WindowState::kNormal);
        SetVisible(true);
      } else {
        SetState(WindowState::kMinimized);
        SetVisible(false);
      }
      break;
    case TrayMouseEvent::kRightDown:
      Popup(mnuFichier);
      break;
    case TrayMouseEvent::kLeftDown:
    case TrayMouseEvent::kOther:
      break;
  }
}

void frmTop::mnuSet_Click() {
  SetState(WindowState::kNormal);
  SetVisible(true);
}

void frmTop::mnuMinimized_Click() {
  ToggleSwitch(Config(), kKeyMinimized, values_.settings.Minimized);
  mnuMinimized.SetChecked(values_.settings.Minimized);
}

// ---- Refresh ----

void frmTop::ScanWindows() {
  ScanInputs inputs;
  inputs.main_window = window_handle_;
  inputs.settings = &values_.settings;
  inputs.topmost_catalogue = &values_.TopmostCatalogue;
  inputs.disable_x_catalogue = &values_.DisableXCatalogue;
  inputs.main_window_minimized = [this] { return window_state_ == WindowState::kMinimized; };
  hoverdeck::ScanWindows(ports_.windows, ports_.tray, inputs, values_.tables);
}

void frmTop::Timer1_Timer() {
  // A tick queued before a pause began does not count.
  if (!Timer1.Enabled()) return;
  ScanWindows();
  if (visible_) FillWindowLists();
  // The first tick comes once the window is up; the notice is told once.
  if (!startup_notice_.empty()) {
    ports_.dialogs.MessageBox(std::exchange(startup_notice_, {}), kMessageTitle,
                              MessageIcon::kExclamation, MessageButtons::kOk);
  }
}

void frmTop::AfterUserEvent() {
  if (!values_.config || !Config().TakeWriteFailure() || told_not_written_) return;
  told_not_written_ = true;
  ports_.dialogs.MessageBox(std::string(texts::kNotWrittenPrefix) + PathText(Config().path()) +
                                std::string(texts::kNotWrittenSuffix),
                            kMessageTitle, MessageIcon::kExclamation, MessageButtons::kOk);
}

void frmTop::cmdRefresh_Click() {
  ScanWindows();
  FillWindowLists();
  Timer1.SetEnabled(true);
}

void frmTop::FillWindowLists() {
  const WindowTables& tables = values_.tables;
  FillList(lstFenetresNonTopMost, tables.NonTopmostCount(), &WindowTables::NonTopmost, tables);
  FillList(lstFenetresTopMost, tables.TopmostCount(), &WindowTables::Topmost, tables);
  lblUpdate.SetCaption(std::string(texts::kUpdateEveryPrefix) +
                       std::to_string(values_.UpdateInterval) +
                       std::string(texts::kUpdateEverySuffix));
  lblNbNonTopmost.SetCaption(std::to_string(tables.NonTopmostCount()));
  lblNbTopmost.SetCaption(std::to_string(tables.TopmostCount()));
}

void frmTop::PauseRefresh() {
  Timer1.SetEnabled(false);
  lblUpdate.SetCaption(std::string(texts::kNoUpdate));
}

void frmTop::ResumeRefresh() {
  // Only a pause ends here: a running timer keeps its period.
  if (!Timer1.Enabled()) Timer1.SetEnabled(true);
}

void frmTop::lstFenetresNonTopMost_Click(int index) {
  lstFenetresNonTopMost.SetListIndex(index);
  PauseRefresh();
}

void frmTop::lstFenetresTopMost_Click(int index) {
  lstFenetresTopMost.SetListIndex(index);
  PauseRefresh();
}

void frmTop::lstFenetresNonTopMost_LostFocus() { ResumeRefresh(); }
void frmTop::lstFenetresTopMost_LostFocus() { ResumeRefresh(); }
void frmTop::Form_LostFocus() { ResumeRefresh(); }
void frmTop::Frame1_Click() { ResumeRefresh(); }

void frmTop::Form_MouseMove(int /*buttons*/) {
  lblProgName.SetCaption({});
  ResumeRefresh();
}

// ---- Owning program ----

void frmTop::ShowProgramName(const SortedList& list, int buttons, std::optional<int> entry) {
  if (buttons != 0) return;
  if (!entry || *entry < 0 || *entry >= list.Count()) {
    lblProgName.SetCaption({});
    return;
  }
  const WindowHandle window = HandleOf(list, *entry);
  const auto name = values_.IsNT4OrOlder ? GetProgramNameNT(ports_.processes, window)
                                         : GetProgramName9x(ports_.processes, window);
  if (!name) {
    lblProgName.SetCaption({});
    lbllblProgName.SetEnabled(false);
    lblProgName.SetEnabled(false);
    return;
  }
  lblProgName.SetCaption(*name);
}

void frmTop::lstFenetresNonTopMost_MouseMove(int buttons, std::optional<int> entry) {
  ShowProgramName(lstFenetresNonTopMost, buttons, entry);
}

void frmTop::lstFenetresTopMost_MouseMove(int buttons, std::optional<int> entry) {
  ShowProgramName(lstFenetresTopMost, buttons, entry);
}

void frmTop::Label1_MouseMove() { lblProgName.SetCaption({}); }
void frmTop::Label2_MouseMove() { lblProgName.SetCaption({}); }

// ---- Window commands ----

std::optional<frmTop::PickedWindow> frmTop::Picked(const SortedList& list) {
  const int index = list.ListIndex();
  if (index == SortedList::kNoSelection) return std::nullopt;
  return PickedWindow{HandleOf(list, index), list.Item(index).text};
}

void frmTop::lstFenetresNonTopMost_DblClick() {
  if (const auto picked = Picked(lstFenetresNonTopMost)) MakeTopmost(*picked);
}

void frmTop::SayNotChanged(std::string what, std::optional<std::string_view> why) {
  ports_.dialogs.MessageBox(what + std::string(why.value_or(texts::kClosedOrRefused)),
                            kMessageTitle, MessageIcon::kExclamation, MessageButtons::kOk);
}

std::optional<std::string_view> frmTop::KnownReason(WindowAccess access) {
  if (access == WindowAccess::kNotResponding) return texts::kNotResponding;
  if (access == WindowAccess::kHigherRights) return texts::kHigherRights;
  return std::nullopt;
}

std::optional<frmTop::Switched> frmTop::SwitchTopmost(WindowHandle window, bool topmost) {
  const auto rect = ports_.windows.Rect(window);
  if (!rect) return std::nullopt;
  Timer1.SetEnabled(false);
  const bool handed_on = ports_.windows.SetTopmost(window, topmost, *rect);
  Timer1.SetEnabled(true);
  return Switched{handed_on, handed_on && ports_.windows.ConfirmTopmost(window, topmost)};
}

void frmTop::SaySwitchNotTaken(const PickedWindow& picked, bool handed_on, std::string_view waits,
                               std::string_view could_not, bool quiet_refusal) {
  const WindowAccess access = ports_.windows.Access(picked.handle);
  // The system keeps the switch until the program runs its messages again.
  if (handed_on && access == WindowAccess::kNotResponding) {
    ports_.dialogs.MessageBox("'" + picked.text + std::string(waits), kMessageTitle,
                              MessageIcon::kInformation, MessageButtons::kOk);
  } else if (const auto why = KnownReason(access); why || !quiet_refusal) {
    SayNotChanged("'" + picked.text + std::string(could_not), why);
  }
}

void frmTop::MakeTopmost(const PickedWindow& picked) {
  const auto switched = SwitchTopmost(picked.handle, true);
  if (!switched) {
    SayNotChanged("'" + picked.text + std::string(texts::kCouldNotMakeTopmost), std::nullopt);
  } else if (!switched->took) {
    SaySwitchNotTaken(picked, switched->handed_on, texts::kTopmostOnceItResponds,
                      texts::kCouldNotMakeTopmost, false);
  } else {
    // Offer a rule only for a window that really is topmost now.
    OfferCatalogueString(TopmostEdit(), picked.text, texts::kTopmostOfferTail,
                         texts::kTopmostOfferQuestion);
  }
}

void frmTop::lstFenetresTopMost_DblClick() {
  if (const auto picked = Picked(lstFenetresTopMost)) MakeNonTopmost(*picked);
}

void frmTop::MakeNonTopmost(const PickedWindow& picked) {
  const auto switched = SwitchTopmost(picked.handle, false);
  if (!switched || switched->took) return;
  // A plain refusal goes unreported.
  SaySwitchNotTaken(picked, switched->handed_on, texts::kNonTopmostOnceItResponds,
                    texts::kCouldNotMakeNonTopmost, true);
}

void frmTop::Popup(const Menu& menu) {
  if (const auto chosen = ports_.dialogs.PopupMenu(menu)) MenuClick(*chosen);
}

void frmTop::lstFenetresNonTopMost_MouseDown(int button) {
  const auto picked = Picked(lstFenetresNonTopMost);
  if (!picked || button != kRightButton) return;
  // The popup's window commands act on the entry picked before it opened.
  const auto chosen = ports_.dialogs.PopupMenu(mnuPopupNonTopmost);
  if (!chosen) return;
  if (*chosen == mnuSetTopmost.Name()) {
    MakeTopmost(*picked);
  } else if (*chosen == mnuDisableX.Name()) {
    ToggleCloseItem(*picked);
  } else {
    MenuClick(*chosen);
  }
}

void frmTop::lstFenetresTopMost_MouseDown(int button) {
  const auto picked = Picked(lstFenetresTopMost);
  if (!picked || button != kRightButton) return;
  const auto chosen = ports_.dialogs.PopupMenu(mnuPopupTopmost);
  if (!chosen) return;
  if (*chosen == mnuSetNonTopmost.Name()) {
    MakeNonTopmost(*picked);
  } else {
    MenuClick(*chosen);
  }
}

void frmTop::mnuSetTopmost_Click() { lstFenetresNonTopMost_DblClick(); }
void frmTop::mnuSetNonTopmost_Click() { lstFenetresTopMost_DblClick(); }

void frmTop::SwitchAll(SortedList& list, bool topmost) {
  Timer1.SetEnabled(false);
  const int count = list.Count();
  for (int i = 0; i < count; ++i) SetTopmostState(ports_.windows, HandleOf(list, i), topmost);
  Timer1.SetEnabled(true);
}

void frmTop::mnuSetAllTopmost_Click() { SwitchAll(lstFenetresNonTopMost, true); }
void frmTop::mnuSetAllNonTopmost_Click() { SwitchAll(lstFenetresTopMost, false); }

void frmTop::mnuDisableX_Click() {
  if (const auto picked = Picked(lstFenetresNonTopMost)) ToggleCloseItem(*picked);
}

void frmTop::ToggleCloseItem(const PickedWindow& picked) {
  WindowSystem& windows = ports_.windows;
  bool offer = false;
  bool refused = false;
  Timer1.SetEnabled(false);
  const auto state = windows.CloseItemState(picked.handle);
  if (state) {
    if (IsCloseItemDisabled(*state)) {
      windows.SetCloseItemState(picked.handle, *state & ~kCloseItemDisabledBits);
    } else {
      const bool written =
          windows.SetCloseItemState(picked.handle, *state | kCloseItemDisabledBits);
      // Offer a rule only when the close item really is disabled now.
      offer = written && windows.ConfirmCloseItemDisabled(picked.handle);
      refused = !offer;
    }
  }
  // The timer runs again before any box opens: the rules hold while the user answers.
  Timer1.SetEnabled(true);
  if (offer) {
    OfferCatalogueString(DisableXEdit(), picked.text, texts::kDisableXOfferTail,
                         texts::kDisableXOfferQuestion);
  } else if (refused || !state) {
    // An unreadable item is told of only when the reason is known.
    const auto why = KnownReason(windows.Access(picked.handle));
    if (refused || why) {
      SayNotChanged(std::string(texts::kCouldNotDisableXPrefix) + picked.text +
                        std::string(texts::kCouldNotDisableX),
                    why);
    }
  }
}

// ---- The marker ----

void frmTop::ApplyMarkerCaption() {
  // The marker is the user's text: an "&" in it is shown, not taken for an access key.
  mnuConstTopMost.SetCaption(std::string(texts::kMnuConstTopMostWith) +
                             EscapeMnemonics(values_.settings.ConstTopMost));
}

void frmTop::mnuTopMostCaption_Click() {
  ToggleSwitch(Config(), kKeySetTopMostCaption, values_.settings.SetTopMostCaption);
  mnuTopMostCaption.SetChecked(values_.settings.SetTopMostCaption);
}

void frmTop::mnuConstTopMost_Click() {
  Settings& settings = values_.settings;
  const std::string answer = TrimBlanks(OneLine(ports_.dialogs.InputBox(
      std::string(texts::kMarkerPrompt), texts::kMarkerTitle, settings.ConstTopMost)));
  if (answer.empty()) return;
  if (answer == TrimBlanks(settings.ConstTopMost)) {
    ports_.dialogs.MessageBox(std::string(texts::kStringNotChanged), kMessageTitle,
                              MessageIcon::kExclamation, MessageButtons::kOk);
    return;
  }
  RemoveMarkerFromTopmostCaptions(ports_.windows, window_handle_, settings.ConstTopMost);
  settings.ConstTopMost = answer + " ";
  Config().Write(kConfigurationSection, kKeyConstTopMost, settings.ConstTopMost);
  ApplyMarkerCaption();
}

// ---- The catalogues ----

CatalogueEdit frmTop::TopmostEdit() {
  return CatalogueEdit{ports_.dialogs, Config(), values_.TopmostCatalogue, lstCatalogueTopMost,
                       texts::kTopmostCataloguePrompt};
}

CatalogueEdit frmTop::DisableXEdit() {
  return CatalogueEdit{ports_.dialogs, Config(), values_.DisableXCatalogue, lstCatalogueDisableX,
                       texts::kDisableXCataloguePrompt};
}

void frmTop::lstCatalogueTopMost_Click(int index, bool checked) {
  if (index < 0 || index >= lstCatalogueTopMost.Count()) return;
  lstCatalogueTopMost.SetListIndex(index);
  lstCatalogueTopMost.SetChecked(index, checked);
  ToggleCatalogueCheck(Config(), values_.TopmostCatalogue, lstCatalogueTopMost, visible_);
}

void frmTop::lstCatalogueDisableX_Click(int index, bool checked) {
  if (index < 0 || index >= lstCatalogueDisableX.Count()) return;
  lstCatalogueDisableX.SetListIndex(index);
  lstCatalogueDisableX.SetChecked(index, checked);
  ToggleCatalogueCheck(Config(), values_.DisableXCatalogue, lstCatalogueDisableX, visible_);
}

void frmTop::lstCatalogueTopMost_DblClick(int index) {
  lstCatalogueTopMost.SetListIndex(index);
  cmdModifier_Click();
}

void frmTop::lstCatalogueDisableX_DblClick(int index) {
  lstCatalogueDisableX.SetListIndex(index);
  cmdModifierDisableX_Click();
}

void frmTop::chkAllTopMost_MouseDown() {
  ToggleSwitch(Config(), kKeySetAllTopMost, values_.settings.SetAllTopMost);
  chkAllTopMost.SetValue(values_.settings.SetAllTopMost);
}

void frmTop::chkAllDisableX_MouseDown() {
  ToggleSwitch(Config(), kKeySetAllDisableX, values_.settings.SetAllDisableX);
  chkAllDisableX.SetValue(values_.settings.SetAllDisableX);
}

void frmTop::cmdAjouter_Click() { AddCatalogueString(TopmostEdit()); }
void frmTop::cmdModifier_Click() { ModifyCatalogueString(TopmostEdit()); }
void frmTop::cmdSupprimer_Click() { RemoveCatalogueString(TopmostEdit()); }
void frmTop::cmdAjouterDisableX_Click() { AddCatalogueString(DisableXEdit()); }
void frmTop::cmdModifierDisableX_Click() { ModifyCatalogueString(DisableXEdit()); }
void frmTop::cmdSupprimerDisableX_Click() { RemoveCatalogueString(DisableXEdit()); }

// ---- Help and menus ----

void frmTop::mnuAPropos_Click() {
  if (about.Loaded()) return;  // modal: never twice at once
  about.Form_Load();
  ports_.dialogs.ShowAbout(about);
  if (about.Loaded()) about.cmdOK_Click();
}

bool frmTop::MenuClick(std::string_view item_name) {
  struct Entry {
    std::string_view name;
    void (frmTop::*handler)();
  };
  static constexpr Entry kHandlers[] = {
      {"mnuSet", &frmTop::mnuSet_Click},
      {"mnuQuitter", &frmTop::mnuQuitter_Click},
      {"mnuConstTopMost", &frmTop::mnuConstTopMost_Click},
      {"mnuTopMostCaption", &frmTop::mnuTopMostCaption_Click},
      {"mnuMinimized", &frmTop::mnuMinimized_Click},
      {"mnuHotkey", &frmTop::mnuHotkey_Click},
      {"mnuAPropos", &frmTop::mnuAPropos_Click},
      {"mnuSetTopmost", &frmTop::mnuSetTopmost_Click},
      {"mnuSetAllTopmost", &frmTop::mnuSetAllTopmost_Click},
      {"mnuDisableX", &frmTop::mnuDisableX_Click},
      {"mnuSetNonTopmost", &frmTop::mnuSetNonTopmost_Click},
      {"mnuSetAllNonTopmost", &frmTop::mnuSetAllNonTopmost_Click},
  };
  for (const auto& entry : kHandlers) {
    if (entry.name == item_name) {
      (this->*entry.handler)();
      return true;
    }
  }
  return false;
}

}  // namespace hoverdeck
