// Real Qt boxes over the main window: the refresh tick goes on behind them, and other programs'
// texts in them are shown as they are.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/FakeTray.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/frmTop.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtDialogs.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

// Runs `while_open` from the loop of the next modal box of type Box.
template <typename Box, typename Fn>
void WhenModal(Fn while_open) {
  QTimer::singleShot(0, [while_open] {
    auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    while_open(box);
  });
}

TEST(QtBoxesTest, TheRefreshTickReachesTheCoreWhileTheQuitQuestionIsOpen) {
  TempDir dir;
  WriteBytes(dir.File("Hoverdeck.ini"), "[DisableX]\nWin1=Mail\nchkWin1=1\n");
  SimulatedDesktop desktop;
  FakeTray tray;
  QtDialogs dialogs;
  FakeShell shell;
  FakeHost host(dir.path());
  frmTop form(FormPorts{desktop, desktop, tray, dialogs, shell, host});
  MainWindow window(form, dialogs, true);
  window.SetEndHandler([] {});
  window.Dispatch([&form] { form.Form_Load(""); });
  form.Timer1.SetInterval(20);
  window.Sync();

  const WindowHandle mail = desktop.Open("Mail - inbox");
  bool disabled_while_open = false;
  WhenModal<QMessageBox>([&](QMessageBox* box) {
    QDeadlineTimer deadline(3000);
    while (!disabled_while_open && !deadline.hasExpired()) {
      QTest::qWait(10);
      disabled_while_open = (desktop.Window(mail).close_state.value_or(0) & 3u) == 3u;
    }
    box->button(QMessageBox::No)->click();
  });
  window.Dispatch([&form] { form.mnuQuitter_Click(); });
  EXPECT_TRUE(disabled_while_open);
  EXPECT_FALSE(form.EndRequested());
}

TEST(QtBoxesTest, AnInputPromptShowsMarkupAndAmpersandsAsTheyAre) {
  QtDialogs dialogs;
  const std::string prompt = "'<p>: The Paragraph element & <b>more</b>' is now topmost";
  WhenModal<QInputDialog>([&prompt](QInputDialog* box) {
    bool found = false;
    for (const QLabel* label : box->findChildren<QLabel*>()) {
      if (label->text() != QString::fromStdString(prompt)) continue;
      found = true;
      EXPECT_EQ(label->textFormat(), Qt::PlainText);
      EXPECT_EQ(label->buddy(), nullptr);
    }
    EXPECT_TRUE(found);
    box->reject();
  });
  EXPECT_EQ(dialogs.InputBox(prompt, "Hoverdeck", "x"), "");
}

}  // namespace
}  // namespace hoverdeck
