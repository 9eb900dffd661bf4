// The rules hold while a box of the main window is open: a tick delivered from within each kind
// of box scans and enforces, and the handler that opened the box finishes as it would have.
#include <gtest/gtest.h>

#include <functional>

#include "support/FakeTray.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/frmTop.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

struct Desk {
  TempDir dir;
  SimulatedDesktop desktop;
  FakeTray tray;
  ScriptedDialogs dialogs;
  FakeShell shell;
  FakeHost host{dir.path()};
  frmTop form{FormPorts{desktop, desktop, tray, dialogs, shell, host}};
  WindowHandle editor = kNoWindow;

  // A click on the editor's entry, which pauses the refresh; `resume` lets it run on again with
  // the entry still selected.
  void PickEditor(bool resume) {
    for (int i = 0; i < form.lstFenetresNonTopMost.Count(); ++i) {
      if (form.lstFenetresNonTopMost.Item(i).text == "Editor - notes") {
        form.lstFenetresNonTopMost_Click(i);
      }
    }
    if (resume) form.Form_MouseMove(0);
  }
  bool InCatalogue(const Catalogue& catalogue, const std::string& text) const {
    for (int p = 1; p <= catalogue.count(); ++p) {
      if (catalogue.entry(p).text == text) return true;
    }
    return false;
  }
};

struct BoxCase {
  const char* box;
  std::function<void(Desk&)> open;  // scripts the answers and runs the handler with the box
  std::function<void(Desk&)> check;
};

TEST(TicksBehindBoxes, EachBoxLetsTheTickEnforceAndTheHandlerFinishesAsAnswered) {
  const BoxCase cases[] = {
      {"topmost offer",
       [](Desk& d) {
         d.dialogs.input_answers = {ScriptedDialogs::kAcceptDefault};
         d.PickEditor(false);
         d.form.lstFenetresNonTopMost_DblClick();
       },
       [](Desk& d) { EXPECT_TRUE(d.InCatalogue(d.form.Values().TopmostCatalogue, "Editor")); }},
      {"window popup",
       [](Desk& d) {
         d.dialogs.popup_choices = {"mnuSetTopmost"};
         d.dialogs.input_answers = {""};
         d.PickEditor(true);
         d.form.lstFenetresNonTopMost_MouseDown(kRightButton);
       },
       [](Desk& d) {
         // The tick in the popup rebuilt the list: the command still acts on the picked window.
         EXPECT_TRUE(d.desktop.Window(d.editor).topmost);
         ASSERT_EQ(d.dialogs.inputs.size(), 1u);
         EXPECT_EQ(d.dialogs.inputs[0].default_text, "Editor");
       }},
      {"close-button offer",
       [](Desk& d) {
         d.dialogs.popup_choices = {"mnuDisableX"};
         d.dialogs.input_answers = {ScriptedDialogs::kAcceptDefault};
         d.PickEditor(false);  // paused: only the offer, after the command, sees a tick
         d.form.lstFenetresNonTopMost_MouseDown(kRightButton);
       },
       [](Desk& d) { EXPECT_TRUE(d.InCatalogue(d.form.Values().DisableXCatalogue, "Editor")); }},
      {"quit question",
       [](Desk& d) {
         d.dialogs.answers_yes_no = {MessageAnswer::kNo};
         d.form.mnuQuitter_Click();
       },
       [](Desk& d) { EXPECT_FALSE(d.form.EndRequested()); }},
      {"about box", [](Desk& d) { d.form.mnuAPropos_Click(); },
       [](Desk& d) { EXPECT_FALSE(d.form.about.Loaded()); }},
  };
  for (const BoxCase& test : cases) {
    SCOPED_TRACE(test.box);
    Desk d;
    WriteBytes(d.dir.File("Hoverdeck.ini"), "[DisableX]\nWin1=Mail\nchkWin1=1\n");
    d.editor = d.desktop.Open("Editor - notes");
    d.form.Form_Load("");
    // Opens after the last scan: only a tick while the box is up can find it.
    const WindowHandle mail = d.desktop.Open("Mail - inbox");
    int ticks = 0;
    d.dialogs.while_open = [&] {
      if (!d.form.Timer1.Enabled()) return;  // a paused refresh stays paused
      ++ticks;
      d.form.Timer1_Timer();
      // The shown window's list follows the tick too.
      ASSERT_GT(d.form.lstFenetresNonTopMost.Count(), 0);
      EXPECT_EQ(d.form.lstFenetresNonTopMost.Items().back().text, "Mail - inbox");
    };
    test.open(d);
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(d.desktop.Window(mail).close_state.value_or(0) & 3u, 3u);
    test.check(d);
  }
}

TEST(TicksBehindBoxes, TheSessionEndingWhileABoxIsOpenEndsWithoutAQuestion) {
  for (const char* command_line : {"", "-i"}) {
    SCOPED_TRACE(command_line);
    Desk d;
    d.form.Form_Load(command_line);
    const bool had_icon = d.tray.present;
    d.dialogs.input_answers = {""};
    d.dialogs.while_open = [&d] { d.form.Form_EndSession(); };
    d.form.cmdAjouter_Click();
    EXPECT_TRUE(d.form.EndRequested());
    EXPECT_FALSE(d.tray.present);
    EXPECT_EQ(d.tray.deletes, had_icon ? 1 : 0);
    EXPECT_TRUE(d.dialogs.messages.empty());
  }
}

TEST(TicksBehindBoxes, OtherProgramsTextsKeepTheirAmpersands) {
  Desk d;
  WriteBytes(d.dir.File("Hoverdeck.ini"), "[Configuration]\nConstTopMost=\"[A&B] \"\n");
  d.desktop.Open(SimWindow{.caption = "Tom & Jerry", .process = 7});
  const std::string path = "C:\\Tom & Jerry\\play.exe";
  d.desktop.AddProcess(7, {path, path});
  d.form.Form_Load("");
  d.form.lstFenetresNonTopMost_MouseMove(0, 0);
  EXPECT_EQ(d.form.lblProgName.Shown(), path);
  // Menus take "&&" for one "&".
  EXPECT_EQ(d.form.mnuConstTopMost.Caption(),
            "Select a string &marker on topmost Windows = [A&&B] ");
}

}  // namespace
}  // namespace hoverdeck
