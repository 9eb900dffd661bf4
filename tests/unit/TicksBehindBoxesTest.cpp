// The rules hold while a box of the main window is open: a tick delivered from within each kind
// of box scans and enforces, and the handler that opened the box finishes as it would have.
#include <gtest/gtest.h>

#include <functional>

#include "support/FormDesk.h"
#include "ui/HandlerGate.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

TEST(TicksBehindBoxes, EachBoxLetsTheTickEnforceAndTheHandlerFinishesAsAnswered) {
  // Each box: how it is opened (answers scripted, "Editor - notes" picked or not, the refresh
  // resumed or not) and what the handler did once it closed.
  const struct {
    const char* box;
    std::function<void(FormDesk&)> open;
    std::function<bool(FormDesk&)> done;
  } cases[] = {
      // The tick in the popup rebuilds the list: the command still acts on the picked window, and
      // the rule it offers next sees a tick too.
      {"window popup",
       [](FormDesk& d) {
         d.dialogs.popup_choices = {"mnuSetTopmost"};
         d.dialogs.input_answers = {""};
         d.Pick("Editor - notes");
         d.form.Form_MouseMove(0);
         d.form.lstFenetresNonTopMost_MouseDown(kRightButton);
       },
       [](FormDesk& d) { return d.Asked().starts_with("Hoverdeck|Editor|'Editor - notes'"); }},
      // Paused: only the offer, after the command, sees a tick.
      {"close-button offer",
       [](FormDesk& d) {
         d.dialogs.popup_choices = {"mnuDisableX"};
         d.dialogs.input_answers = {ScriptedDialogs::kAcceptDefault};
         d.Pick("Editor - notes");
         d.form.lstFenetresNonTopMost_MouseDown(kRightButton);
       },
       [](FormDesk& d) {
         return d.IniText().ends_with("[DisableX]\nWin1=Editor\nchkWin1=1\nWin2=Mail\nchkWin2=1\n");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.box);
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
      // The shown window's list follows the tick too.
      EXPECT_TRUE(d.Texts(d.form.lstFenetresNonTopMost).ends_with("Mail - inbox"));
    };
    c.open(d);
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(d.desktop.Window(mail).close_state, kCloseItemDisabledBits);
    EXPECT_TRUE(c.done(d));
    EXPECT_EQ(d.desktop.Window(editor).topmost, c.box == std::string("window popup"));
  }
}

TEST(TicksBehindBoxes, TheSessionEndingWhileABoxIsOpenEndsWithoutAQuestion) {
  for (const char* command_line : {"", "-i"}) {
    SCOPED_TRACE(command_line);
    FormDesk d;
    d.form.Form_Load(command_line);
    const int icons = d.tray.adds;
    d.dialogs.input_answers = {""};
    d.dialogs.while_open = [&d] { d.form.Form_EndSession(); };
    d.form.cmdAjouter_Click();
    EXPECT_EQ(Bits({d.form.EndRequested(), d.tray.present}) + d.Said(), "10<no box>");
    EXPECT_EQ(d.tray.deletes, icons);
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
