// The rules hold while a box of the main window is open: a tick delivered from within each kind
// of box scans and enforces, and the handler that opened the box finishes as it would have.
#include <gtest/gtest.h>

#include "support/FormDesk.h"
#include "ui/HandlerGate.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

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
