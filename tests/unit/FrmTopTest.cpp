// Whole flows through the main window's handlers, on the simulated desktop with scripted dialogs.
#include <gtest/gtest.h>

#include "app/ProgramConstants.h"
#include "support/FakeTray.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/frmTop.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

class FrmTopTest : public ::testing::Test {
 protected:
  FrmTopTest()
      : host_(dir_.path()), form_(FormPorts{desktop_, desktop_, tray_, dialogs_, shell_, host_}) {}

  void Ini(const std::string& content) { WriteBytes(IniPath(), content); }
  std::filesystem::path IniPath() const { return dir_.File("Hoverdeck.ini"); }
  // The file's text with its line ending, LF or CRLF as the platform writes new files, as LF.
  std::string IniText() const {
    std::string text = ReadBytes(IniPath());
    std::erase(text, '\r');
    return text;
  }

  // Starts the program and leaves the window shown (or wherever the settings put it).
  void Load(const std::string& command_line = "") { form_.Form_Load(command_line); }

  static std::vector<std::string> Texts(const SortedList& list) {
    std::vector<std::string> texts;
    for (const auto& item : list.Items()) texts.push_back(item.text);
    return texts;
  }
  int IndexOf(const SortedList& list, const std::string& text) {
    for (int i = 0; i < list.Count(); ++i) {
      if (list.Item(i).text == text) return i;
    }
    ADD_FAILURE() << "no entry " << text;
    return -1;
  }
  // Picks an entry the way a user does: a click on it.
  void PickNonTopmost(const std::string& text) {
    form_.lstFenetresNonTopMost_Click(IndexOf(form_.lstFenetresNonTopMost, text));
  }
  void PickTopmost(const std::string& text) {
    form_.lstFenetresTopMost_Click(IndexOf(form_.lstFenetresTopMost, text));
  }

  TempDir dir_;
  SimulatedDesktop desktop_;
  FakeTray tray_;
  ScriptedDialogs dialogs_;
  FakeShell shell_;
  FakeHost host_;
  frmTop form_;
};

using Strings = std::vector<std::string>;

// The last message box shown: its text and icon, under the program's message title. A missing box
// fails the check instead of the whole program.
::testing::AssertionResult Said(const ScriptedDialogs& dialogs, const std::string& text,
                                MessageIcon icon,
                                MessageButtons buttons = MessageButtons::kOk) {
  if (dialogs.messages.empty()) return ::testing::AssertionFailure() << "no message box";
  const ShownMessage& shown = dialogs.messages.back();
  if (shown.text == text && shown.icon == icon && shown.buttons == buttons &&
      shown.title == "Hoverdeck - 1.1h") {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "the last box said \"" << shown.text << "\" titled \""
                                       << shown.title << "\"";
}

// The last input box shown: its title, offered text and, when given, its prompt.
::testing::AssertionResult Asked(const ScriptedDialogs& dialogs, const std::string& title,
                                 const std::string& default_text, const std::string& prompt = "") {
  if (dialogs.inputs.empty()) return ::testing::AssertionFailure() << "no input box";
  const ShownInput& shown = dialogs.inputs.back();
  if (shown.title == title && shown.default_text == default_text &&
      (prompt.empty() || shown.prompt == prompt)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "the last input box was \"" << shown.title
                                       << "\" offering \"" << shown.default_text
                                       << "\" with \"" << shown.prompt << "\"";
}

// ---- Start-up ----

TEST_F(FrmTopTest, StartUpShowsSettingsCataloguesListsAndCounts) {
  Ini("[Configuration]\nSetAllTopMost=1\nSetTopMostCaption=1\nConstTopMost=[TOP]\n"
      "[TopMostWindows]\nWin1=zeta\nchkWin1=1\nWin2=Alpha\nchkWin2=0\n"
      "[DisableX]\nWin1=Mail\nchkWin1=1\n");
  desktop_.Open("Editor", true);
  const auto b = desktop_.Open("b window");
  desktop_.Open("A window");
  Load();

  EXPECT_EQ(form_.Caption(), "Hoverdeck 1.1h; Windows 2000 v.5.0, Build 2195");
  EXPECT_TRUE(form_.Visible());
  EXPECT_TRUE(form_.Timer1.Enabled());
  EXPECT_EQ(form_.Timer1.Interval(), 1000);
  EXPECT_TRUE(form_.chkAllTopMost.Value());
  EXPECT_FALSE(form_.chkAllDisableX.Value());
  EXPECT_TRUE(form_.mnuTopMostCaption.Checked());
  EXPECT_FALSE(form_.mnuMinimized.Checked());
  EXPECT_EQ(form_.mnuConstTopMost.Caption(), "Select a string &marker on topmost Windows = [TOP]");
  EXPECT_EQ(Texts(form_.lstCatalogueTopMost), (Strings{"Alpha", "zeta"}));
  EXPECT_FALSE(form_.lstCatalogueTopMost.Item(0).checked);
  EXPECT_TRUE(form_.lstCatalogueTopMost.Item(1).checked);
  EXPECT_EQ(Texts(form_.lstCatalogueDisableX), Strings{"Mail"});

  // The first scan already marked the topmost window; the lists are sorted with their handles.
  EXPECT_EQ(Texts(form_.lstFenetresTopMost), Strings{"[TOP]Editor"});
  EXPECT_EQ(Texts(form_.lstFenetresNonTopMost), (Strings{"A window", "b window"}));
  EXPECT_EQ(static_cast<WindowHandle>(form_.lstFenetresNonTopMost.Item(1).item_data), b);
  EXPECT_EQ(form_.lblNbNonTopmost.Caption(), "2");
  EXPECT_EQ(form_.lblNbTopmost.Caption(), "1");
  ASSERT_FALSE(tray_.tips.empty());
  EXPECT_EQ(tray_.tips.front(), "Hoverdeck 1.1h");
  EXPECT_EQ(tray_.tip(), "Hoverdeck 1.1h -> 2 non topmost; 1 topmost");
}

TEST_F(FrmTopTest, SecondInstanceLeavesAtOnceWithOrWithoutItsMessage) {
  host_.another_instance = true;
  for (const char* line : {"", "-I", "-s", "x -S y"}) {
    ScriptedDialogs dialogs;
    FakeTray tray;
    frmTop second(FormPorts{desktop_, desktop_, tray, dialogs, shell_, host_});
    second.Form_Load(line);
    EXPECT_TRUE(second.EndRequested()) << line;
    EXPECT_FALSE(second.Visible());
    EXPECT_EQ(tray.adds, 0);
    const bool silent = std::string(line).find_first_of("sS") != std::string::npos;
    EXPECT_EQ(dialogs.messages.size(), silent ? 0u : 1u) << line;
    EXPECT_TRUE(silent || Said(dialogs, "Program already running", MessageIcon::kExclamation));
  }
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
  EXPECT_EQ(desktop_.calls(), 0);
}

TEST_F(FrmTopTest, StartMinimisedSitsInTheTrayAndEnforcesTopmostRulesFromTheFirstScan) {
  Ini("[Configuration]\nMinimized=1\n[TopMostWindows]\nWin1=Notepad\nchkWin1=1\n");
  const auto notepad = desktop_.Open("Untitled - Notepad");
  Load();
  EXPECT_FALSE(form_.Visible());
  EXPECT_EQ(form_.State(), WindowState::kMinimized);
  EXPECT_TRUE(tray_.present);
  EXPECT_TRUE(form_.mnuMinimized.Checked());
  EXPECT_TRUE(desktop_.Window(notepad).topmost);

  form_.PictureTopMost_MouseMove(TrayMouseEvent::kLeftDoubleClick);
  EXPECT_TRUE(form_.Visible());
  EXPECT_EQ(form_.State(), WindowState::kNormal);
}

TEST_F(FrmTopTest, InvisibleModeHasNoWindowNoIconAndQuitsWithoutAQuestion) {
  Ini("[DisableX]\nWin1=Mail\nchkWin1=1\n[TopMostWindows]\nWin1=Mail\nchkWin1=1\n");
  const auto mail = desktop_.Open("Mail");
  Load("-i");
  EXPECT_FALSE(form_.Visible());
  EXPECT_EQ(tray_.adds, 0);
  EXPECT_EQ(desktop_.Window(mail).close_state, kCloseItemDisabledBits);
  form_.Timer1_Timer();
  EXPECT_FALSE(desktop_.Window(mail).topmost);  // hidden, not minimised
  EXPECT_TRUE(form_.lstFenetresNonTopMost.Count() == 1);

  EXPECT_FALSE(form_.Form_QueryUnload());
  EXPECT_TRUE(form_.EndRequested());
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_EQ(tray_.deletes, 0);
}

TEST_F(FrmTopTest, InvisibleAndMinimisedEnforcesTopmostRules) {
  Ini("[Configuration]\nMinimized=1\n[TopMostWindows]\nWin1=Mail\nchkWin1=1\n");
  const auto mail = desktop_.Open("Mail");
  Load("-I");
  EXPECT_TRUE(desktop_.Window(mail).topmost);
  EXPECT_EQ(tray_.adds, 0);
}

// ---- Quitting ----

TEST_F(FrmTopTest, QuitAsksAndOnlyYesEnds) {
  Load();
  dialogs_.answers_yes_no = {MessageAnswer::kNo, MessageAnswer::kYes};
  EXPECT_TRUE(form_.Form_QueryUnload());
  EXPECT_FALSE(form_.EndRequested());
  EXPECT_TRUE(tray_.present);
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_TRUE(Said(dialogs_, "Do you really want to quit Hoverdeck ?", MessageIcon::kQuestion,
                   MessageButtons::kYesNo));

  form_.mnuQuitter_Click();
  EXPECT_TRUE(form_.EndRequested());
  EXPECT_FALSE(tray_.present);
  EXPECT_FALSE(std::filesystem::exists(IniPath()));  // nothing is written at quitting
}

TEST_F(FrmTopTest, NoFromTheTrayMenuLeavesTheWindowHidden) {
  Load();
  form_.Form_Resize(WindowState::kMinimized);
  EXPECT_FALSE(form_.Visible());
  dialogs_.popup_choices = {std::string("mnuQuitter")};
  dialogs_.answers_yes_no = {MessageAnswer::kNo};
  form_.PictureTopMost_MouseMove(TrayMouseEvent::kRightDown);
  EXPECT_EQ(dialogs_.popups, Strings{"mnuFichier"});
  EXPECT_FALSE(form_.Visible());
  EXPECT_TRUE(tray_.present);
  EXPECT_TRUE(form_.Timer1.Enabled());
}

// ---- Tray and minimised mode ----

TEST_F(FrmTopTest, TrayDoubleClickTogglesRightClickOffersTheFileMenuSinglePressDoesNothing) {
  Load();
  form_.PictureTopMost_MouseMove(TrayMouseEvent::kLeftDown);
  EXPECT_TRUE(form_.Visible());
  form_.PictureTopMost_MouseMove(TrayMouseEvent::kLeftDoubleClick);
  EXPECT_FALSE(form_.Visible());
  EXPECT_EQ(form_.State(), WindowState::kMinimized);
  form_.PictureTopMost_MouseMove(TrayMouseEvent::kOther);
  EXPECT_FALSE(form_.Visible());

  dialogs_.popup_choices = {std::string("mnuSet")};
  form_.PictureTopMost_MouseMove(TrayMouseEvent::kRightDown);
  EXPECT_TRUE(form_.Visible());
  EXPECT_EQ(form_.State(), WindowState::kNormal);
  ASSERT_EQ(form_.mnuFichier.Items().size(), 2u);
  EXPECT_EQ(form_.mnuFichier.Items()[0]->Caption(), "&Restore");
  EXPECT_EQ(form_.mnuFichier.Items()[1]->Caption(), "&Exit");
}

TEST_F(FrmTopTest, StartMinimisedSwitchWritesAtOnceAndChangesNothingNow) {
  Load();
  form_.mnuMinimized_Click();
  EXPECT_TRUE(form_.mnuMinimized.Checked());
  EXPECT_EQ(IniText(), "[Configuration]\nMinimized=1\n");
  EXPECT_TRUE(form_.Visible());
  EXPECT_EQ(form_.State(), WindowState::kNormal);
  form_.MenuClick("mnuMinimized");
  EXPECT_EQ(IniText(), "[Configuration]\nMinimized=0\n");
}

TEST_F(FrmTopTest, TopmostRulesActOnlyAfterMinimising) {
  Ini("[TopMostWindows]\nWin1=Notepad\nchkWin1=1\n");
  const auto notepad = desktop_.Open("Untitled - Notepad");
  Load();
  form_.Timer1_Timer();
  EXPECT_FALSE(desktop_.Window(notepad).topmost);
  form_.Form_Resize(WindowState::kMinimized);
  form_.Timer1_Timer();
  EXPECT_TRUE(desktop_.Window(notepad).topmost);
  // Hidden: the tip follows every tick, the lists are not refilled.
  form_.Timer1_Timer();
  EXPECT_EQ(tray_.tip(), "Hoverdeck 1.1h -> 0 non topmost; 1 topmost");
  EXPECT_EQ(Texts(form_.lstFenetresNonTopMost), Strings{"Untitled - Notepad"});
}

// ---- Refresh and its pause ----

TEST_F(FrmTopTest, ClickPausesAndEveryResumeEventEndsThePause) {
  desktop_.Open("One");
  Load();
  const std::vector<std::function<void()>> resumes = {
      [&] { form_.lstFenetresNonTopMost_LostFocus(); },
      [&] { form_.lstFenetresTopMost_LostFocus(); },
      [&] { form_.Form_LostFocus(); },
      [&] { form_.Form_MouseMove(0); },
      [&] { form_.Frame1_Click(); },
      [&] { form_.cmdRefresh_Click(); },
  };
  for (std::size_t i = 0; i < resumes.size(); ++i) {
    PickNonTopmost("One");
    EXPECT_FALSE(form_.Timer1.Enabled()) << i;
    EXPECT_EQ(form_.lblUpdate.Caption(), "No update (idle)");
    // A tick already on its way does nothing: new windows stay out of the list.
    desktop_.Open("Late " + std::to_string(i));
    form_.Timer1_Timer();
    EXPECT_EQ(form_.lstFenetresNonTopMost.ListIndex(), IndexOf(form_.lstFenetresNonTopMost, "One"));
    resumes[i]();
    EXPECT_TRUE(form_.Timer1.Enabled()) << i;
    form_.Timer1_Timer();
    EXPECT_EQ(form_.lblUpdate.Caption(), "Update every 1000 ms");
    EXPECT_EQ(form_.lstFenetresNonTopMost.ListIndex(), SortedList::kNoSelection);
    EXPECT_EQ(form_.lstFenetresNonTopMost.Count(), static_cast<int>(i) + 2);
  }
}

TEST_F(FrmTopTest, MouseMovesDoNotRestartARunningTimer) {
  Load();
  const auto starts = form_.Timer1.starts();
  form_.Form_MouseMove(0);
  form_.Form_MouseMove(0);
  form_.Frame1_Click();
  EXPECT_EQ(form_.Timer1.starts(), starts);
}

// ---- The owning program ----

TEST_F(FrmTopTest, HoverShowsTheOwningProgramByTheLookupTheSystemCallsFor) {
  SimWindow window{.caption = "Report - Editor", .process = 77};
  desktop_.Open(window);
  desktop_.AddProcess(77, {"C:\\Tools\\editor.exe", "editor.exe"});
  Load();
  form_.lstFenetresNonTopMost_MouseMove(0, 0);
  EXPECT_EQ(form_.lblProgName.Caption(), "editor.exe");
  form_.lstFenetresNonTopMost_MouseMove(kLeftButton, std::nullopt);  // button held: unchanged
  EXPECT_EQ(form_.lblProgName.Caption(), "editor.exe");
  form_.lstFenetresNonTopMost_MouseMove(0, std::nullopt);
  EXPECT_EQ(form_.lblProgName.Caption(), "");
  form_.lstFenetresNonTopMost_MouseMove(0, 0);
  form_.Label1_MouseMove();
  EXPECT_EQ(form_.lblProgName.Caption(), "");

  FakeHost nt4(dir_.path());
  nt4.os = {"Windows NT v.4.0, Build 1381", true};
  FakeTray tray;
  frmTop old(FormPorts{desktop_, desktop_, tray, dialogs_, shell_, nt4});
  old.Form_Load("");
  old.lstFenetresNonTopMost_MouseMove(0, 0);
  EXPECT_EQ(old.lblProgName.Caption(), "C:\\Tools\\editor.exe");
}

TEST_F(FrmTopTest, HoverOverAClosedWindowShowsNothingAndAFailedLookupGreysTheLabels) {
  SimWindow window{.caption = "Gone", .process = 5};
  const auto gone = desktop_.Open(window);
  desktop_.Open("Other");
  Load();
  desktop_.Close(gone);
  form_.lstFenetresNonTopMost_MouseMove(0, IndexOf(form_.lstFenetresNonTopMost, "Gone"));
  EXPECT_EQ(form_.lblProgName.Caption(), "");
  EXPECT_TRUE(form_.lblProgName.Enabled());

  desktop_.BreakProcessLookups();
  SimWindow alive{.caption = "Alive", .process = 6};
  desktop_.Open(alive);
  form_.cmdRefresh_Click();
  form_.lstFenetresNonTopMost_MouseMove(0, IndexOf(form_.lstFenetresNonTopMost, "Alive"));
  EXPECT_EQ(form_.lblProgName.Caption(), "");
  EXPECT_FALSE(form_.lblProgName.Enabled());
  EXPECT_FALSE(form_.lbllblProgName.Enabled());
}

// ---- Window commands ----

TEST_F(FrmTopTest, DoubleClickMakesTopmostAndOffersARule) {
  const auto report = desktop_.Open("Report - Editor");
  Load();
  PickNonTopmost("Report - Editor");
  const auto starts = form_.Timer1.starts();
  dialogs_.input_answers = {ScriptedDialogs::kAcceptDefault};
  form_.lstFenetresNonTopMost_DblClick();

  EXPECT_TRUE(desktop_.Window(report).topmost);
  EXPECT_TRUE(form_.Timer1.Enabled());
  EXPECT_GT(form_.Timer1.starts(), starts);
  EXPECT_EQ(dialogs_.inputs.size(), 1u);
  EXPECT_TRUE(Asked(dialogs_, "Hoverdeck", "Report",
                    "'Report - Editor' is now topmost\r\n\r\nAlways set topmost captions "
                    "containing\r\nthe following string ?\r\n[when Hoverdeck is running minimized]"));
  EXPECT_EQ(Texts(form_.lstCatalogueTopMost), Strings{"Report"});
  EXPECT_TRUE(form_.lstCatalogueTopMost.Item(0).checked);
  EXPECT_EQ(form_.Values().TopmostCatalogue.count(), 1);
  EXPECT_EQ(IniText(), "[TopMostWindows]\nWin1=Report\nchkWin1=1\n");

  // The same answer again is a duplicate; another case is not.
  dialogs_.input_answers = {"Report", "report"};
  form_.lstFenetresNonTopMost_DblClick();
  EXPECT_TRUE(Said(dialogs_, "String already in list", MessageIcon::kInformation));
  form_.lstFenetresNonTopMost_DblClick();
  EXPECT_EQ(Texts(form_.lstCatalogueTopMost), (Strings{"Report", "report"}));
}

TEST_F(FrmTopTest, CancelledOfferLeavesTheWindowTopmostAndTheFileAlone) {
  const auto report = desktop_.Open("Report");
  Load();
  PickNonTopmost("Report");
  dialogs_.input_answers = {""};
  form_.lstFenetresNonTopMost_DblClick();
  EXPECT_TRUE(desktop_.Window(report).topmost);
  EXPECT_EQ(form_.lstCatalogueTopMost.Count(), 0);
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

TEST_F(FrmTopTest, FailedSwitchSaysSoAndOffersNothing) {
  const auto gone = desktop_.Open("Gone - Editor");
  SimWindow guarded{.caption = "Guarded", .refuses_topmost = true};
  desktop_.Open(guarded);
  Load();
  PickNonTopmost("Gone - Editor");
  desktop_.Close(gone);
  form_.lstFenetresNonTopMost_DblClick();
  EXPECT_FALSE(form_.Timer1.Enabled());  // the failed query left the pause alone
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_TRUE(Said(dialogs_,
                   "'Gone - Editor' could not be made topmost: the window has closed or does not "
                   "allow it.",
                   MessageIcon::kExclamation));

  PickNonTopmost("Guarded");
  form_.lstFenetresNonTopMost_DblClick();
  EXPECT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_TRUE(dialogs_.inputs.empty());
}

TEST_F(FrmTopTest, TopmostListDoubleClickAndPopupsSwitchBack) {
  const auto top = desktop_.Open("Top", true);
  desktop_.Open("Plain");
  Load();
  form_.lstFenetresTopMost_MouseDown(kRightButton);  // nothing selected: no menu
  EXPECT_TRUE(dialogs_.popups.empty());
  PickTopmost("Top");
  form_.lstFenetresTopMost_MouseDown(kLeftButton);
  form_.lstFenetresTopMost_MouseDown(kMiddleButton);
  EXPECT_TRUE(dialogs_.popups.empty());
  dialogs_.popup_choices = {std::string("mnuSetNonTopmost")};
  form_.lstFenetresTopMost_MouseDown(kRightButton);
  EXPECT_EQ(dialogs_.popups, Strings{"mnuPopupTopmost"});
  EXPECT_FALSE(desktop_.Window(top).topmost);
  EXPECT_TRUE(dialogs_.inputs.empty());
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(FrmTopTest, SwitchAllSkipsVanishedWindowsAndLeavesTheTimerRunning) {
  const auto a = desktop_.Open("A");
  const auto b = desktop_.Open("B");
  const auto c = desktop_.Open("C");
  Load();
  PickNonTopmost("A");
  desktop_.Close(b);
  dialogs_.popup_choices = {std::string("mnuSetAllTopmost")};
  form_.lstFenetresNonTopMost_MouseDown(kRightButton);
  EXPECT_TRUE(desktop_.Window(a).topmost);
  EXPECT_TRUE(desktop_.Window(c).topmost);
  EXPECT_TRUE(form_.Timer1.Enabled());
  EXPECT_EQ(form_.lstFenetresNonTopMost.Count(), 3);  // the lists wait for the next refresh

  form_.cmdRefresh_Click();
  form_.mnuSetAllNonTopmost_Click();
  EXPECT_FALSE(desktop_.Window(a).topmost);
  EXPECT_FALSE(desktop_.Window(c).topmost);
}

TEST_F(FrmTopTest, CloseItemToggleDisablesWithAnOfferThenEnablesWithout) {
  SimWindow mail{.caption = "Untitled - Mail", .close_state = 0x1u};
  const auto window = desktop_.Open(mail);
  Load();
  PickNonTopmost("Untitled - Mail");
  dialogs_.input_answers = {ScriptedDialogs::kAcceptDefault};
  form_.mnuDisableX_Click();
  EXPECT_EQ(desktop_.Window(window).close_state, 0x3u);
  EXPECT_EQ(dialogs_.inputs.size(), 1u);
  EXPECT_TRUE(Asked(dialogs_, "Hoverdeck", "Untitled",
                    "'Untitled - Mail' X close box now disabled\r\n\r\nAlways X close box "
                    "disabled for windows containing\r\nthe following string ?\r\n[when "
                    "Hoverdeck is running minimized]"));
  EXPECT_EQ(IniText(), "[DisableX]\nWin1=Untitled\nchkWin1=1\n");
  EXPECT_TRUE(form_.Timer1.Enabled());

  // Without the rule in the way, the second use enables it again and asks nothing.
  form_.lstCatalogueDisableX_Click(0, false);
  PickNonTopmost("Untitled - Mail");
  form_.mnuDisableX_Click();
  EXPECT_EQ(desktop_.Window(window).close_state, 0x0u);
  EXPECT_EQ(dialogs_.inputs.size(), 1u);
  EXPECT_TRUE(form_.Timer1.Enabled());
}

TEST_F(FrmTopTest, CloseItemThatCannotBeReachedOrWrittenGetsNoOffer) {
  SimWindow sealed{.caption = "Sealed", .close_state = std::nullopt};
  SimWindow guarded{.caption = "Guarded", .refuses_close_item = true};
  desktop_.Open(sealed);
  const auto g = desktop_.Open(guarded);
  Load();
  PickNonTopmost("Sealed");
  form_.mnuDisableX_Click();
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(dialogs_.inputs.empty());
  EXPECT_TRUE(form_.Timer1.Enabled());

  PickNonTopmost("Guarded");
  form_.mnuDisableX_Click();
  EXPECT_EQ(desktop_.Window(g).close_state, 0u);
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_TRUE(Said(dialogs_,
                   "The X close box of 'Guarded' could not be disabled: the window has closed or "
                   "does not allow it.",
                   MessageIcon::kExclamation));
  EXPECT_TRUE(dialogs_.inputs.empty());
  EXPECT_TRUE(form_.Timer1.Enabled());
}

// ---- The marker ----

TEST_F(FrmTopTest, MarkerSwitchWritesAndTheNextTickMarks) {
  const auto top = desktop_.Open("Editor", true);
  Load();
  form_.mnuTopMostCaption_Click();
  EXPECT_TRUE(form_.mnuTopMostCaption.Checked());
  EXPECT_EQ(IniText(), "[Configuration]\nSetTopMostCaption=1\n");
  EXPECT_EQ(desktop_.Window(top).caption, "Editor");
  form_.Timer1_Timer();
  EXPECT_EQ(desktop_.Window(top).caption, "[TOPMOST] Editor");
  form_.mnuTopMostCaption_Click();
  form_.Timer1_Timer();
  EXPECT_EQ(desktop_.Window(top).caption, "Editor");
}

TEST_F(FrmTopTest, NewMarkerRemovesTheOldOneFromTopmostCaptionsAtOnce) {
  Ini("[Configuration]\nSetTopMostCaption=1\n");
  const auto top = desktop_.Open("Editor", true);
  const auto plain = desktop_.Open("Notes");
  Load();
  ASSERT_EQ(desktop_.Window(top).caption, "[TOPMOST] Editor");
  desktop_.Window(plain).caption = "[TOPMOST] Notes";  // left to the scan, not to the command

  dialogs_.input_answers = {"[TOPMOST]", "   ", "  TOP  "};
  form_.mnuConstTopMost_Click();
  EXPECT_TRUE(Said(dialogs_, "String not changed", MessageIcon::kExclamation));
  form_.mnuConstTopMost_Click();
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  form_.mnuConstTopMost_Click();
  EXPECT_TRUE(Asked(dialogs_, "Topmost marker", "[TOPMOST] ",
                    "Select a string marker on topmost Windows"));

  EXPECT_EQ(desktop_.Window(top).caption, "Editor");
  EXPECT_EQ(desktop_.Window(plain).caption, "[TOPMOST] Notes");
  EXPECT_EQ(form_.mnuConstTopMost.Caption(), "Select a string &marker on topmost Windows = TOP ");
  EXPECT_EQ(form_.Config().Read("Configuration", "ConstTopMost"), "TOP ");
  form_.Timer1_Timer();
  EXPECT_EQ(desktop_.Window(top).caption, "TOP Editor");
  // Only the marker in force is taken from non-topmost captions.
  EXPECT_EQ(desktop_.Window(plain).caption, "[TOPMOST] Notes");
}

// ---- The catalogues ----

TEST_F(FrmTopTest, AddPlacesACheckedStringInOrderAndRefusesDuplicates) {
  Ini("[TopMostWindows]\nWin1=abc\nchkWin1=0\nWin2=zeta\nchkWin2=1\n");
  Load();
  form_.lstCatalogueTopMost_Click(1, true);  // selection to be cleared by the add
  dialogs_.input_answers = {"Mid", "abc", "ABC", "", " pad "};
  form_.cmdAjouter_Click();
  EXPECT_EQ(Texts(form_.lstCatalogueTopMost), (Strings{"abc", "Mid", "zeta"}));
  EXPECT_TRUE(form_.lstCatalogueTopMost.Item(1).checked);
  EXPECT_EQ(form_.lstCatalogueTopMost.ListIndex(), SortedList::kNoSelection);
  EXPECT_TRUE(Asked(dialogs_, "Hoverdeck 1.1h", "",
                    "Caption containing the following string is topmost when Hoverdeck is "
                    "running minimized"));
  form_.cmdAjouter_Click();
  EXPECT_TRUE(Said(dialogs_, "String already in the list", MessageIcon::kExclamation));
  form_.cmdAjouter_Click();
  form_.cmdAjouter_Click();  // cancelled
  form_.cmdAjouter_Click();
  EXPECT_EQ(Texts(form_.lstCatalogueTopMost), (Strings{" pad ", "ABC", "abc", "Mid", "zeta"}));
  EXPECT_EQ(form_.Values().TopmostCatalogue.entry(1).text, " pad ");
  EXPECT_EQ(form_.Config().Read("TopMostWindows", "Win1"), " pad ");
  EXPECT_EQ(form_.Config().Read("TopMostWindows", "chkWin3"), "0");
}

TEST_F(FrmTopTest, ModifyKeepsTheCheckStateAndRemoveRenumbers) {
  Ini("[DisableX]\nWin1=a\nchkWin1=1\nWin2=b\nchkWin2=0\nWin3=c\nchkWin3=1\nWin4=d\nchkWin4=1\n"
      "Win5=e\nchkWin5=1\n");
  Load();
  form_.cmdModifierDisableX_Click();
  EXPECT_TRUE(Said(dialogs_, "Select string to modify", MessageIcon::kInformation));

  dialogs_.input_answers = {"b", "z"};
  form_.lstCatalogueDisableX_DblClick(1);
  EXPECT_TRUE(Asked(dialogs_, "Hoverdeck 1.1h", "b"));
  EXPECT_TRUE(Said(dialogs_, "String already in the list", MessageIcon::kExclamation));
  form_.lstCatalogueDisableX_DblClick(1);
  EXPECT_EQ(Texts(form_.lstCatalogueDisableX), (Strings{"a", "c", "d", "e", "z"}));
  EXPECT_FALSE(form_.lstCatalogueDisableX.Item(4).checked);
  EXPECT_EQ(form_.lstCatalogueDisableX.ListIndex(), SortedList::kNoSelection);

  form_.cmdSupprimerDisableX_Click();
  EXPECT_TRUE(Said(dialogs_, "Select a string to remove", MessageIcon::kInformation));
  form_.lstCatalogueDisableX_Click(1, true);
  dialogs_.answers_yes_no = {MessageAnswer::kNo, MessageAnswer::kYes};
  form_.cmdSupprimerDisableX_Click();
  EXPECT_TRUE(Said(dialogs_, "Remove string 'c'", MessageIcon::kQuestion, MessageButtons::kYesNo));
  EXPECT_EQ(form_.lstCatalogueDisableX.Count(), 5);
  form_.cmdSupprimerDisableX_Click();
  EXPECT_EQ(IniText(),
            "[DisableX]\nWin1=a\nchkWin1=1\nWin2=d\nchkWin2=1\nWin3=e\nchkWin3=1\nWin4=z\n"
            "chkWin4=0\n");
}

TEST_F(FrmTopTest, RemovingTheOnlyEntryRemovesTheSection) {
  Ini("[Configuration]\nMinimized=0\n[TopMostWindows]\nWin1=a\nchkWin1=1\n");
  Load();
  form_.lstCatalogueTopMost_Click(0, true);
  dialogs_.answers_yes_no = {MessageAnswer::kYes};
  form_.cmdSupprimer_Click();
  EXPECT_EQ(IniText(), "[Configuration]\nMinimized=0\n");
}

TEST_F(FrmTopTest, FullCatalogueRefusesNewStringsButModifyStillWorks) {
  std::string ini = "[TopMostWindows]\n";
  for (int p = 1; p <= 100; ++p) {
    char text[8];
    std::snprintf(text, sizeof text, "s%03d", p);
    ini += "Win" + std::to_string(p) + "=" + text + "\nchkWin" + std::to_string(p) + "=1\n";
  }
  Ini(ini);
  desktop_.Open("New - Window");
  Load();
  const std::string before = IniText();
  form_.cmdAjouter_Click();
  PickNonTopmost("New - Window");
  form_.lstFenetresNonTopMost_DblClick();
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  for (const auto& message : dialogs_.messages) {
    EXPECT_EQ(message.icon, MessageIcon::kExclamation);
    EXPECT_EQ(message.title, "Hoverdeck - 1.1h");
    EXPECT_NE(message.text.find("100"), std::string::npos);
  }
  EXPECT_TRUE(dialogs_.inputs.empty());
  EXPECT_EQ(IniText(), before);

  dialogs_.input_answers = {"t000"};
  form_.lstCatalogueTopMost_DblClick(0);
  EXPECT_EQ(form_.Values().TopmostCatalogue.count(), 100);
  EXPECT_EQ(form_.Values().TopmostCatalogue.entry(100).text, "t000");
}

TEST_F(FrmTopTest, StringsStayOnOneLine) {
  desktop_.Open("Line one\r\nLine two - App");
  Load();
  dialogs_.input_answers = {"two\nlines"};
  form_.cmdAjouter_Click();
  PickNonTopmost("Line one\r\nLine two - App");
  dialogs_.input_answers = {ScriptedDialogs::kAcceptDefault};
  form_.lstFenetresNonTopMost_DblClick();
  EXPECT_TRUE(Asked(dialogs_, "Hoverdeck", "Line one  Line two"));
  EXPECT_EQ(Texts(form_.lstCatalogueTopMost), (Strings{"Line one  Line two", "two lines"}));
  EXPECT_EQ(form_.Config().Read("TopMostWindows", "Win2"), "two lines");
}

TEST_F(FrmTopTest, CheckClicksAndSwitchPressesWriteOneKeyEach) {
  Ini("[TopMostWindows]\nWin1=a\nchkWin1=1\nWin2=b\nchkWin2=1\nWin3=c\nchkWin3=1\n");
  Load();
  form_.lstCatalogueTopMost_Click(2, true);  // a click that changes nothing writes nothing
  EXPECT_EQ(IniText(),
            "[TopMostWindows]\nWin1=a\nchkWin1=1\nWin2=b\nchkWin2=1\nWin3=c\nchkWin3=1\n");
  form_.lstCatalogueTopMost_Click(2, false);
  EXPECT_EQ(form_.Config().Read("TopMostWindows", "chkWin3"), "0");
  EXPECT_EQ(form_.Values().TopmostCatalogue.entry(3).checked, "0");

  form_.chkAllTopMost_MouseDown();
  EXPECT_TRUE(form_.chkAllTopMost.Value());
  EXPECT_EQ(form_.Config().Read("Configuration", "SetAllTopMost"), "1");
  form_.chkAllDisableX_MouseDown();
  form_.chkAllDisableX_MouseDown();
  EXPECT_FALSE(form_.chkAllDisableX.Value());
  EXPECT_EQ(form_.Config().Read("Configuration", "SetAllDisableX"), "0");
}

// ---- The about box ----

TEST_F(FrmTopTest, AboutBoxBuildsItsCreditAfreshAndOpensTheLink) {
  Load();
  dialogs_.while_about = [&](frmAbout& box) {
    form_.mnuAPropos_Click();  // modal: a second opening is not possible
    box.lblLink_Click();
    box.cmdOK_Click();
  };
  form_.MenuClick("mnuAPropos");
  form_.mnuAPropos_Click();
  ASSERT_EQ(dialogs_.abouts.size(), 2u);
  EXPECT_EQ(dialogs_.abouts[0], dialogs_.abouts[1]);
  EXPECT_EQ(dialogs_.abouts[0],
            "Hoverdeck 1.1h: automatically set topmost windows && disable X close button\r\n" +
                std::string(kMakerLine));
  EXPECT_EQ(LabelDisplayText(form_.about.lblCredit.Caption()).substr(0, 74),
            "Hoverdeck 1.1h: automatically set topmost windows & disable X close button");
  EXPECT_EQ(shell_.opened, (Strings{std::string(kMakerAddress), std::string(kMakerAddress)}));
  EXPECT_FALSE(form_.about.Loaded());
  EXPECT_EQ(form_.mnuAPropos.Shortcut(), "F1");
}

}  // namespace
}  // namespace hoverdeck
