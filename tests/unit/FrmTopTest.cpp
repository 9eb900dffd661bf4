// Whole flows through the main window's handlers, on the simulated desktop with scripted boxes.
#include <gtest/gtest.h>

#include <cstring>

#include "app/ProgramConstants.h"
#include "support/FormDesk.h"
#include "support/IniCorpus.h"
#include "ui/HandlerGate.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

struct FrmTopTest : ::testing::Test, FormDesk {};

TEST_F(FrmTopTest, StartUpShowsSettingsCataloguesListsAndCounts) {
  Ini("[Configuration]\nSetAllTopMost=1\nSetTopMostCaption=1\nConstTopMost=[TOP]\n"
      "[TopMostWindows]\nWin1=zeta\nchkWin1=1\nWin2=Alpha\nchkWin2=0\n"
      "[DisableX]\nWin1=Mail\nchkWin1=1\n");
  desktop.Open("Editor", true);
  desktop.Open("b window");
  desktop.Open("A window");
  form.Form_Load("");

  EXPECT_EQ(form.Caption(), "Hoverdeck 1.1h; Windows 2000 v.5.0, Build 2195");
  EXPECT_EQ(Window() + " " + std::to_string(form.Timer1.Interval()), "shown normal ticking 1000");
  EXPECT_EQ(Switches(), "1100");
  // The first scan already marked the topmost window; the lists are sorted.
  EXPECT_EQ(Texts(form.lstCatalogueTopMost, true) + "/" + Texts(form.lstCatalogueDisableX, true) +
                "/" + Texts(form.lstFenetresTopMost) + "/" + Texts(form.lstFenetresNonTopMost) +
                "/" + form.lblNbNonTopmost.Caption() + form.lblNbTopmost.Caption(),
            "Alpha-|zeta+/Mail+/[TOP]Editor/A window|b window/21");
  EXPECT_EQ(tray.tip(), "Hoverdeck 1.1h -> 2 non topmost; 1 topmost");
}

// Start minimised, invisible, or both: no window; the icon only when visible; the topmost rules
// from the first scan only when minimised; the close rules always.
TEST(FrmTopStartTest, HiddenStartsEnforceTheRulesTheirModeAllows) {
  for (const auto& [minimized, line] : {std::pair{true, ""}, {false, "-i"}, {true, "-I"}}) {
    SCOPED_TRACE(line);
    const bool icon = *line == '\0';
    FormDesk d;
    d.Ini(std::string("[Configuration]\nMinimized=") + (minimized ? "1" : "0") +
          "\n[TopMostWindows]\nWin1=Mail\nchkWin1=1\n[DisableX]\nWin1=Mail\nchkWin1=1\n");
    const auto mail = d.desktop.Open("Mail");
    d.form.Form_Load(line);
    // Enforced by the start's own scan, before any tick.
    EXPECT_EQ(d.desktop.Window(mail).topmost, minimized);
    EXPECT_EQ(d.desktop.Window(mail).close_state, kCloseItemDisabledBits);
    d.form.Timer1_Timer();
    EXPECT_EQ(Bits({d.form.Visible(), d.tray.adds == 1}), icon ? "01" : "00");
    EXPECT_EQ(d.form.lstFenetresNonTopMost.Count(), 1);
    if (icon) {
      EXPECT_EQ(d.Window() + (d.form.mnuMinimized.Checked() ? " start minimized" : ""),
                "hidden minimized ticking start minimized");
      // Hidden: the tip follows every tick, the lists are not refilled.
      d.desktop.Open("Late");
      d.form.Timer1_Timer();
      EXPECT_EQ(d.tray.tip() + "/" + d.Texts(d.form.lstFenetresNonTopMost),
                "Hoverdeck 1.1h -> 1 non topmost; 1 topmost/Mail");
      d.form.PictureTopMost_MouseMove(TrayMouseEvent::kLeftDoubleClick);
      EXPECT_EQ(d.Window(), "shown normal ticking");
    } else {  // invisible: quits without a question and has no icon to take away
      EXPECT_FALSE(d.form.Form_QueryUnload());
      EXPECT_EQ(std::to_string(d.form.EndRequested()) + d.Said() + std::to_string(d.tray.deletes),
                "1<no box>0");
    }
  }
}

// The hover line names the program of the entry under the pointer: the full path on NT 4 and
// older, the file name later. A held button leaves the label; no entry or a closed window shows
// nothing; a failed lookup greys both labels. As "caption/enabled labels".
TEST(FrmTopHoverTest, NamesTheProgramOfTheEntryUnderThePointer) {
  const std::pair<const char*, const char*> cases[] = {{"nt4", "C:\\Apps\\editor.exe/11"},
                                                       {"", "editor.exe/11"},
                                                       {"held", "before/11"},
                                                       {"below", "/11"},
                                                       {"nt4 closed", "/11"},
                                                       {"broken", "/00"}};
  for (const auto& [situation, shown] : cases) {
    const auto is = [s = situation](const char* word) { return std::strstr(s, word) != nullptr; };
    FormDesk d;
    d.host.os.is_nt4_or_older = is("nt4");
    const auto editor = d.desktop.Open(SimWindow{.caption = "Editor", .process = 7});
    d.desktop.AddProcess(7, {"C:\\Apps\\editor.exe", "editor.exe"});
    d.form.Form_Load("");
    d.form.lblProgName.SetCaption("before");
    if (is("closed")) d.desktop.Close(editor);
    if (is("broken")) d.desktop.BreakProcessLookups();
    d.form.lstFenetresNonTopMost_MouseMove(is("held"), is("below"));
    EXPECT_EQ(d.form.lblProgName.Caption() + "/" +
                  Bits({d.form.lbllblProgName.Enabled(), d.form.lblProgName.Enabled()}),
              shown);
  }
}

TEST_F(FrmTopTest, TrayIconTogglesAndOffersTheFileMenuAndOnlyYesQuits) {
  form.Form_Load("");
  form.PictureTopMost_MouseMove(TrayMouseEvent::kLeftDown);
  EXPECT_EQ(Window(), "shown normal ticking");
  form.PictureTopMost_MouseMove(TrayMouseEvent::kLeftDoubleClick);
  form.PictureTopMost_MouseMove(TrayMouseEvent::kOther);
  EXPECT_EQ(Window(), "hidden minimized ticking");
  // "No" to the quit question from the tray menu leaves the window hidden.
  dialogs.popup_choices = {"mnuQuitter", "mnuSet"};
  dialogs.answers_yes_no = {MessageAnswer::kNo, MessageAnswer::kNo, MessageAnswer::kYes};
  form.PictureTopMost_MouseMove(TrayMouseEvent::kRightDown);
  EXPECT_EQ(Said() + " " + Window() + (form.EndRequested() ? " ended" : ""),
            "?Do you really want to quit Hoverdeck ? [yes/no] hidden minimized ticking");
  form.PictureTopMost_MouseMove(TrayMouseEvent::kRightDown);
  EXPECT_EQ(Window(), "shown normal ticking");
  EXPECT_EQ(dialogs.popups, (std::vector<std::string>{"mnuFichier", "mnuFichier"}));

  form.mnuQuitter_Click();  // "No", then "Yes"
  form.mnuQuitter_Click();
  // The icon goes; nothing is written at quitting.
  EXPECT_EQ(Bits({form.EndRequested(), tray.present, std::filesystem::exists(IniPath())}), "100");
}

TEST_F(FrmTopTest, ClickPausesAndLeavingTheListResumes) {
  desktop.Open("One");
  form.Form_Load("");
  // Pointer moves end only a pause: a running timer keeps its period.
  const auto starts = form.Timer1.starts();
  form.Form_MouseMove(0);
  EXPECT_EQ(form.Timer1.starts(), starts);
  Pick("One");
  EXPECT_EQ(Window() + ", " + form.lblUpdate.Caption(), "shown normal paused, No update (idle)");
  // A tick already on its way does nothing: new windows stay out of the list.
  desktop.Open("Late");
  form.Timer1_Timer();
  EXPECT_EQ(form.lstFenetresNonTopMost.ListIndex(), IndexOf(form.lstFenetresNonTopMost, "One"));
  // Each of the six ways out of a pause.
  for (auto resume :
       {&frmTop::lstFenetresNonTopMost_LostFocus, &frmTop::lstFenetresTopMost_LostFocus,
        &frmTop::Form_LostFocus, &frmTop::Frame1_Click, &frmTop::cmdRefresh_Click}) {
    Pick("One");
    (form.*resume)();
    EXPECT_TRUE(form.Timer1.Enabled());
  }
  Pick("One");
  form.Form_MouseMove(1);
  EXPECT_TRUE(form.Timer1.Enabled());
  form.Timer1_Timer();
  EXPECT_EQ(Window() + ", " + form.lblUpdate.Caption(),
            "shown normal ticking, Update every 1000 ms");
  EXPECT_EQ(
      Texts(form.lstFenetresNonTopMost) + std::to_string(form.lstFenetresNonTopMost.ListIndex()),
      "Late|One-1");
}

TEST_F(FrmTopTest, DoubleClickMakesTopmostAndOffersARule) {
  Ini("[TopMostWindows]\nWin1=Report  Q4\nchkWin1=0\n");
  const auto report = desktop.Open("Report\r\nQ3 - Editor");
  const auto plain = desktop.Open("Plain");
  form.Form_Load("");
  form.lstCatalogueTopMost_Click(0, false);  // a line selected, its mark as it was
  Pick("Report\r\nQ3 - Editor");
  const auto starts = form.Timer1.starts();
  dialogs.input_answers = {ScriptedDialogs::kAcceptDefault, "Report  Q3", "report  q3"};
  form.lstFenetresNonTopMost_DblClick();
  EXPECT_EQ(Bits({desktop.Window(report).topmost, form.Timer1.starts() > starts}), "11");
  // A caption over two lines is offered on one.
  EXPECT_EQ(Asked(),
            "Hoverdeck|Report  Q3|'Report\r\nQ3 - Editor' is now topmost\r\n\r\nAlways "
            "set topmost captions containing\r\nthe following string ?\r\n[when "
            "Hoverdeck is running minimized]");
  EXPECT_EQ(Texts(form.lstCatalogueTopMost, true) + "/" + IniText(),
            "Report  Q3+|Report  Q4-/[TopMostWindows]\nWin1=Report  Q3\nchkWin1=1\n"
            "Win2=Report  Q4\nchkWin2=0\n");
  // The string added in its place does not take the user's selection.
  EXPECT_EQ(form.lstCatalogueTopMost.ListIndex(), 1);
  // The same answer again is a duplicate; another case is not.
  form.lstFenetresNonTopMost_DblClick();
  EXPECT_EQ(Said(), "iString already in list");
  form.lstFenetresNonTopMost_DblClick();
  EXPECT_EQ(Texts(form.lstCatalogueTopMost), "Report  Q3|report  q3|Report  Q4");
  // A cancelled offer leaves the window topmost and the file alone.
  const std::string before = IniText();
  Pick("Plain");
  dialogs.input_answers = {""};
  form.MenuClick("mnuSetTopmost");
  EXPECT_EQ(Bits({desktop.Window(plain).topmost}) + IniText(), "1" + before);
}

TEST_F(FrmTopTest, PopupsSwitchesAndTheirFailuresActOnThePickedOrListedWindows) {
  const auto top = desktop.Open("Top", true);
  const auto a = desktop.Open("A");
  const auto b = desktop.Open("B - Editor");
  const auto c = desktop.Open("C");
  form.Form_Load("");
  form.lstFenetresTopMost_MouseDown(kRightButton);  // nothing picked: no menu
  Pick("Top", true);
  for (const int button : {kLeftButton, kMiddleButton}) form.lstFenetresTopMost_MouseDown(button);
  EXPECT_TRUE(dialogs.popups.empty());
  dialogs.popup_choices = {"mnuSetNonTopmost", "mnuSetAllTopmost"};
  form.lstFenetresTopMost_MouseDown(kRightButton);
  EXPECT_EQ(Bits({desktop.Window(top).topmost}) + Said(), "0<no box>");

  // A window gone: said so, no rule offered; the failed query leaves the pause alone.
  Pick("B - Editor");
  desktop.Close(b);
  form.lstFenetresNonTopMost_DblClick();
  EXPECT_EQ(Window() + " " + Said(),
            "shown normal paused !'B - Editor' could not be made topmost: the window has closed "
            "or does not allow it.");

  // Switching all skips a window gone since the refresh; the lists wait for the next one.
  Pick("A");
  form.lstFenetresNonTopMost_MouseDown(kRightButton);
  EXPECT_EQ(dialogs.popups, (std::vector<std::string>{"mnuPopupTopmost", "mnuPopupNonTopmost"}));
  EXPECT_EQ(Bits({desktop.Window(a).topmost, desktop.Window(c).topmost}) + " " + Window() + " " +
                std::to_string(form.lstFenetresNonTopMost.Count()),
            "11 shown normal ticking 3");
  form.cmdRefresh_Click();
  form.mnuSetAllNonTopmost_Click();
  EXPECT_EQ(Bits({desktop.Window(a).topmost, desktop.Window(c).topmost}) + Asked(),
            "00<no input box>");
}

TEST_F(FrmTopTest, CloseItemToggleOffersARuleOnlyWhenDisabled) {
  const auto mail = desktop.Open(SimWindow{.caption = "Untitled - Mail", .close_state = 0x1u});
  desktop.Open(SimWindow{.caption = "Sealed", .close_state = std::nullopt});
  form.Form_Load("");
  Pick("Untitled - Mail");
  dialogs.input_answers = {ScriptedDialogs::kAcceptDefault};
  form.mnuDisableX_Click();
  EXPECT_EQ(desktop.Window(mail).close_state, 0x3u);  // other bits kept
  EXPECT_EQ(Asked(),
            "Hoverdeck|Untitled|'Untitled - Mail' X close box now disabled\r\n\r\nAlways "
            "X close box disabled for windows containing\r\nthe following string ?\r\n"
            "[when Hoverdeck is running minimized]");
  EXPECT_EQ(IniText(), "[DisableX]\nWin1=Untitled\nchkWin1=1\n");
  // Without the rule in the way, the second use enables it again and asks nothing.
  form.lstCatalogueDisableX_Click(0, false);
  Pick("Untitled - Mail");
  form.mnuDisableX_Click();
  EXPECT_EQ(desktop.Window(mail).close_state, 0x0u);
  // A system menu out of reach: nothing to say.
  Pick("Sealed");
  form.mnuDisableX_Click();
  EXPECT_EQ(Said() + " " + Window(), "<no box> shown normal ticking");
}

// A change that does not take is said, with its reason when the window tells one; a plain refusal
// to leave the band goes unsaid; a switch handed on to a program that does not answer is said to
// wait for it, and the lists show it once made. No rule is offered, and the refresh runs again.
// The hotkey tells the same through the tray.
TEST(FrmTopCommandTest, ChangesThatDoNotTakeAreSaidWithTheirReason) {
  using enum WindowAccess;
  const auto refusals = LoadIniCorpus("window-commands.txt").lines;
  ASSERT_EQ(refusals.size(), 12u);
  for (const auto& refusal : refusals) {
    const auto& f = refusal.fields;
    SCOPED_TRACE("line " + std::to_string(refusal.number));
    ASSERT_EQ(f.size(), 4u);
    const bool topmost = f[1] == "mnuSetNonTopmost";
    const auto access = f[0] == "open"             ? kOpen
                        : f[0] == "not-responding" ? kNotResponding
                                                   : kHigherRights;
    FormDesk d;
    const auto w = d.desktop.Open(SimWindow{.caption = "W",
                                            .topmost = topmost,
                                            .refuses_topmost = access == kOpen,
                                            .refuses_close_item = access == kOpen,
                                            .access = access});
    d.form.Form_Load("");
    if (f[1] == "hotkey") {
      d.hotkey.active = w;
      d.form.Hotkey_Pressed();
    } else {
      d.Pick("W", topmost);
      d.form.MenuClick(f[1]);
    }
    EXPECT_EQ(d.tray.notices.empty() ? d.Said() : d.tray.notices.back(), f[2]);
    EXPECT_EQ(Bits({d.desktop.Window(w).topmost, d.desktop.Window(w).close_state == 0u,
                    d.dialogs.inputs.empty(), d.form.Timer1.Enabled()}),
              Bits({topmost}) + "111");
    d.desktop.Window(w).access = kOpen;
    d.form.Timer1_Timer();
    EXPECT_EQ(d.Texts(d.form.lstFenetresTopMost), f[3]);
  }
}

TEST_F(FrmTopTest, MarkerSwitchActsAtTheNextTickAndANewMarkerReplacesTheOldAtOnce) {
  const auto top = desktop.Open("Editor", true);
  const auto plain = desktop.Open("Notes");
  form.Form_Load("");
  form.mnuTopMostCaption_Click();
  EXPECT_EQ(Switches() + desktop.Window(top).caption, "0100Editor");
  EXPECT_EQ(IniText(), "[Configuration]\nSetTopMostCaption=1\n");
  form.Timer1_Timer();
  EXPECT_EQ(desktop.Window(top).caption, "[TOPMOST] Editor");

  desktop.Window(plain).caption = "[TOPMOST] Notes";  // left to the scan, not to the command
  dialogs.input_answers = {"[TOPMOST]", "   ", "  T&P  "};
  for (int i = 0; i < 3; ++i) form.mnuConstTopMost_Click();  // the same, blanks, a new one
  EXPECT_EQ(std::to_string(dialogs.messages.size()) + Said(), "1!String not changed");
  EXPECT_EQ(Asked(), "Topmost marker|[TOPMOST] |Select a string marker on topmost Windows");
  EXPECT_EQ(desktop.Window(top).caption, "Editor");
  // Menus take "&&" for one "&".
  EXPECT_EQ(form.mnuConstTopMost.Caption(), "Select a string &marker on topmost Windows = T&&P ");
  EXPECT_EQ(form.Config().Read("Configuration", "ConstTopMost"), "T&P ");
  form.Timer1_Timer();
  // Only the marker in force is taken from non-topmost captions.
  EXPECT_EQ(desktop.Window(top).caption + "/" + desktop.Window(plain).caption,
            "T&P Editor/[TOPMOST] Notes");
  form.mnuTopMostCaption_Click();
  form.Timer1_Timer();
  EXPECT_EQ(desktop.Window(top).caption, "Editor");
}

TEST_F(FrmTopTest, AddPlacesACheckedOneLineStringInOrderAndRefusesDuplicates) {
  Ini("[TopMostWindows]\nWin1=abc\nchkWin1=0\nWin2=zeta\nchkWin2=1\n");
  form.Form_Load("");
  form.lstCatalogueTopMost_Click(1, true);  // selection to be cleared by the add
  dialogs.input_answers = {"Mid", "abc", "ABC", "", " pad ", "two\nlines"};
  form.cmdAjouter_Click();
  EXPECT_EQ(
      Texts(form.lstCatalogueTopMost, true) + std::to_string(form.lstCatalogueTopMost.ListIndex()),
      "abc-|Mid+|zeta+-1");  // the selection cleared
  EXPECT_EQ(Asked(),
            "Hoverdeck 1.1h||Caption containing the following string is topmost when "
            "Hoverdeck is running minimized");
  form.cmdAjouter_Click();
  EXPECT_EQ(Said(), "!String already in the list");
  for (int i = 0; i < 4; ++i) form.cmdAjouter_Click();  // "ABC", cancelled, " pad ", two lines
  EXPECT_EQ(Texts(form.lstCatalogueTopMost), " pad |ABC|abc|Mid|two lines|zeta");
  EXPECT_EQ(form.Values().TopmostCatalogue.entry(1).text +
                form.Config().Read("TopMostWindows", "Win1") +
                form.Config().Read("TopMostWindows", "chkWin3"),
            " pad  pad 0");
}

TEST_F(FrmTopTest, ModifyKeepsTheCheckStateAndRemoveRenumbersOrDropsTheSection) {
  Ini("[TopMostWindows]\nWin1=only\nchkWin1=1\n[DisableX]\nWin1=a\nchkWin1=1\nWin2=b\nchkWin2=0\n"
      "Win3=c\nchkWin3=1\nWin4=d\nchkWin4=1\n");
  form.Form_Load("");
  form.cmdModifierDisableX_Click();
  EXPECT_EQ(Said(), "iSelect string to modify");
  dialogs.input_answers = {"b", "z"};
  form.lstCatalogueDisableX_DblClick(1);
  EXPECT_EQ(Asked(),
            "Hoverdeck 1.1h|b|Caption containing the following string has X close "
            "button disabled when Hoverdeck is running minimized");
  EXPECT_EQ(Said(), "!String already in the list");
  form.lstCatalogueDisableX_DblClick(1);
  EXPECT_EQ(Texts(form.lstCatalogueDisableX, true) +
                std::to_string(form.lstCatalogueDisableX.ListIndex()),
            "a+|c+|d+|z--1");

  form.cmdSupprimerDisableX_Click();
  EXPECT_EQ(Said(), "iSelect a string to remove");
  form.lstCatalogueDisableX_Click(1, true);
  dialogs.answers_yes_no = {MessageAnswer::kNo, MessageAnswer::kYes, MessageAnswer::kYes};
  form.cmdSupprimerDisableX_Click();
  EXPECT_EQ(Said(), "?Remove string 'c' [yes/no]");
  EXPECT_EQ(form.lstCatalogueDisableX.Count(), 4);
  form.cmdSupprimerDisableX_Click();
  form.lstCatalogueTopMost_Click(0, true);
  form.cmdSupprimer_Click();
  EXPECT_EQ(IniText(), "[DisableX]\nWin1=a\nchkWin1=1\nWin2=d\nchkWin2=1\nWin3=z\nchkWin3=0\n");
}

TEST_F(FrmTopTest, FullCatalogueRefusesNewStringsButModifyStillWorks) {
  const std::string ini = CatalogueSection(100, true);
  Ini(ini);
  desktop.Open("New - Window");
  form.Form_Load("");
  form.Timer1_Timer();  // exactly full is no cut: nothing to tell, nothing kept aside
  EXPECT_EQ(Bits({std::filesystem::exists(dir.File("Hoverdeck.ini.bak"))}) + Said(), "0<no box>");
  form.cmdAjouter_Click();
  EXPECT_EQ(Said(),
            "!The list already holds 100 strings, the most it can hold. Remove a string "
            "before adding another.");
  Pick("New - Window");
  const std::string full = Said();
  form.lstFenetresNonTopMost_DblClick();
  EXPECT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(std::tuple(Said() + Asked(), IniText()), std::tuple(full + "<no input box>", ini));
  dialogs.input_answers = {"t000"};
  form.lstCatalogueTopMost_DblClick(0);
  EXPECT_EQ(form.Values().TopmostCatalogue.entry(100).text, "t000");
}

// After a hand-edited order was sorted, a check click writes its own entry's flag; a click that
// changes nothing, one while the window is hidden, or one on a string the file no longer holds
// writes nothing. The switches write their key; the start switch changes nothing now, and the
// topmost switch acts only once minimised.
TEST_F(FrmTopTest, CheckClicksAndSwitchPressesWriteOneKeyEach) {
  Ini("[TopMostWindows]\nWin1=b\nchkWin1=1\nWin2=a\nchkWin2=1\n");
  const auto window = desktop.Open("Window");
  form.Form_Load("");
  const std::string sorted = "[TopMostWindows]\nWin1=a\nchkWin1=1\nWin2=b\nchkWin2=";
  form.lstCatalogueTopMost_Click(1, true);
  EXPECT_EQ(IniText(), sorted + "1\n");
  form.lstCatalogueTopMost_Click(1, false);
  form.chkAllTopMost_MouseDown();
  form.chkAllDisableX_MouseDown();
  form.mnuMinimized_Click();
  form.Timer1_Timer();
  EXPECT_EQ(Switches() + Bits({desktop.Window(window).topmost}), "10110");
  EXPECT_EQ(Window() + "\n" + IniText(),
            "shown normal ticking\n" + sorted +
                "0\n[Configuration]\nSetAllTopMost=1\nSetAllDisableX=1\nMinimized=1\n");
  form.chkAllDisableX_MouseDown();
  EXPECT_EQ(Switches() + form.Config().Read("Configuration", "SetAllDisableX"), "10010");
  form.Form_Resize(WindowState::kMinimized);
  form.Timer1_Timer();
  EXPECT_TRUE(desktop.Window(window).topmost);
  form.lstCatalogueTopMost_Click(0, false);
  EXPECT_EQ(form.Values().TopmostCatalogue.entry(1).checked, "1");
  // Shown again, a click on a line the file no longer holds (edited meanwhile) writes nothing.
  form.PictureTopMost_MouseMove(TrayMouseEvent::kLeftDoubleClick);
  Ini("[TopMostWindows]\nWin1=c\nchkWin1=1\n");
  form.lstCatalogueTopMost_Click(0, false);
  EXPECT_EQ(IniText() + Said(), "[TopMostWindows]\nWin1=c\nchkWin1=1\n<no box>");
}

TEST_F(FrmTopTest, ChangesTheFileDoesNotTakeHoldAndAreToldOnce) {
  Ini("[Configuration]\nMinimized=0\n");
  std::filesystem::permissions(IniPath(), std::filesystem::perms::owner_read);
  form.Form_Load("");
  form.AfterUserEvent();
  const std::string quiet = Said();
  form.mnuMinimized_Click();
  form.AfterUserEvent();
  const std::string told = Said();
  form.chkAllTopMost_MouseDown();
  form.AfterUserEvent();
  EXPECT_EQ(quiet + "|" + told, "<no box>|!Hoverdeck could not write its settings to " +
                                    IniPath().string() +
                                    ". The file may be read-only or in use, "
                                    "or the disk full. Your changes hold until Hoverdeck ends; "
                                    "this is told once.");
  EXPECT_EQ(Switches() + std::to_string(dialogs.messages.size()) + IniText(),
            "10011[Configuration]\nMinimized=0\n");
}

// A catalogue section cut to the strings a catalogue takes (with where the whole list is kept),
// and a Wayland desktop seen through XWayland alone (on GNOME, what the user can do about it),
// are told once the window is up; an invisible start tells nothing.
TEST(FrmTopNoticeTest, IsToldOnceAfterTheWindowIsUpButNotWhenInvisible) {
  using enum WaylandNotice;
  for (const auto& [notice, told] :
       {std::pair(std::optional<WaylandNotice>(),
                  " holds 120 strings; Hoverdeck uses the first "
                  "100.\r\nThe complete file was kept as "),
        {kNone, "only the windows of programs that run through XWayland. Windows of native"},
        {kLoginNeeded, "Until you log out and back in"},
        {kExtensionOff, "gnome-extensions enable hoverdeck@example.org"},
        {kUserExtensionsOff, "runs no user extensions"}}) {
    for (const char* line : {"", "-i"}) {
      SCOPED_TRACE(std::string(line) + told);
      FormDesk d;
      d.host.os.xwayland_only = notice.has_value();
      d.host.os.wayland_notice = notice.value_or(kNone);
      if (!notice) d.Ini(CatalogueSection(120, false));
      d.form.Form_Load(line);
      EXPECT_TRUE(d.dialogs.messages.empty());
      d.form.Timer1_Timer();
      d.form.Timer1_Timer();
      ASSERT_EQ(d.dialogs.messages.size(), *line ? 0u : 1u);
      const std::string ini = d.IniPath().string();
      if (!*line) {
        EXPECT_NE(
            d.Said().find(notice ? told
                                 : "!The list TopMostWindows of " + ini + told + ini + ".bak.\r\n"),
            std::string::npos)
            << d.Said();
      }
    }
  }
}

TEST_F(FrmTopTest, AboutBoxIsModalAndBuildsItsCreditAfresh) {
  form.Form_Load("");
  dialogs.while_open = [&] {
    // Modal: a second opening is not possible (tried once, so a fault fails here, not loops).
    if (dialogs.abouts.size() == 1) form.mnuAPropos_Click();
  };
  form.MenuClick("mnuAPropos");
  form.mnuAPropos_Click();
  const std::string credit =
      "Hoverdeck 1.1h: automatically set topmost windows && disable X close button\r\n" +
      std::string(kMakerLine);
  EXPECT_EQ(dialogs.abouts, std::vector<std::string>(2, credit));
  EXPECT_FALSE(form.about.Loaded());
}

// The rules hold while a box of the main window is open: a tick delivered from within each kind
// of box scans and enforces, and the handler that opened the box finishes as it would have.
TEST(TicksBehindBoxes, EachBoxLetsTheTickEnforceAndTheHandlerFinishesAsAnswered) {
  // The popup's choice on "Editor - notes", the answer to the offer, the refresh resumed or not,
  // and then: topmost, the offer made, the close rules.
  const struct {
    const char *choice, *answer;
    bool resumed;
    const char* done;
  } cases[] = {
      // The tick in the popup rebuilds the list: the command still acts on the picked window.
      {"mnuSetTopmost", "", true, "1 Hoverdeck|Editor|'Editor - notes' is now topmost Mail"},
      // Paused: only the offer, after the command, sees a tick.
      {"mnuDisableX", ScriptedDialogs::kAcceptDefault, false,
       "0 Hoverdeck|Editor|'Editor - notes' X close box now disabled Editor|Mail"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    FormDesk d;
    d.Ini("[DisableX]\nWin1=Mail\nchkWin1=1\n");
    const WindowHandle editor = d.desktop.Open("Editor - notes");
    d.form.Form_Load("");
    // Opens after the last scan: only a tick while the box is up can find it.
    const WindowHandle mail = d.desktop.Open("Mail - inbox");
    int ticks = 0;
    d.dialogs.while_open = [&] {
      if (!d.form.Timer1.Enabled()) return;  // a paused refresh stays paused
      ++ticks;
      d.form.Timer1_Timer();
      EXPECT_TRUE(d.Texts(d.form.lstFenetresNonTopMost).ends_with("Mail - inbox"));
    };
    d.dialogs.popup_choices = {c.choice};
    d.dialogs.input_answers = {c.answer};
    d.Pick("Editor - notes");
    if (c.resumed) d.form.Form_MouseMove(0);
    d.form.lstFenetresNonTopMost_MouseDown(kRightButton);
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(d.desktop.Window(mail).close_state, kCloseItemDisabledBits);
    const std::string offer = d.Asked();
    EXPECT_EQ(Bits({d.desktop.Window(editor).topmost}) + " " + offer.substr(0, offer.find('\r')) +
                  " " + d.Texts(d.form.lstCatalogueDisableX),
              c.done);
  }
}

TEST(TicksBehindBoxes, TheSessionEndingWhileABoxIsOpenEndsWithoutAQuestion) {
  for (const char* command_line : {"", "-i"}) {
    SCOPED_TRACE(command_line);
    FormDesk d;
    d.form.Form_Load(command_line);
    d.dialogs.input_answers = {""};
    d.dialogs.while_open = [&d] { d.form.Form_EndSession(); };
    d.form.cmdAjouter_Click();
    EXPECT_EQ(
        Bits({d.form.EndRequested(), d.tray.present, d.tray.deletes == d.tray.adds}) + d.Said(),
        "101<no box>");
  }
}

// The gate the frontends pass every event through: while a handler waits on a box only the tick
// gets in, also after a tick handled meanwhile has returned; nothing once the form is going.
TEST(TicksBehindBoxes, WhileAHandlerWaitsOnlyTheTickPassesTheGate) {
  HandlerGate gate;
  std::string seen;  // per look: user event, tick
  const auto look = [&] {
    seen += Bits({gate.Admits(FormEvent::kUser), gate.Admits(FormEvent::kTick)}) + " ";
  };
  look();
  {
    const FlagScope waiting = gate.Enter();
    look();
    { const FlagScope tick = gate.Enter(); }
    look();
  }
  look();
  gate.Close();
  look();
  EXPECT_EQ(seen, "11 01 01 11 00 ");
}

}  // namespace
}  // namespace hoverdeck
