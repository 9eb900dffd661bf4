// The Qt ports with real Qt boxes: popup, input and message boxes, the about box and the tray.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/FormDesk.h"
#include "ui/frmHotkey.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/QtProgramHost.h"
#include "ui/qt/QtTray.h"

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

TEST(QtPopupTest, ActionsCarryCaptionsNamesSeparatorsAndMarks) {
  MenuItem set("mnuSetTopmost", "Set &topmost");
  MenuItem all("mnuSetAllTopmost", "Set all && more");
  MenuItem sep("Sep2", "-");
  all.SetChecked(true);
  const auto popup = BuildPopupMenu(Menu("mnuPopupNonTopmost", "popup", false, {&set, &all, &sep}));
  QStringList shown;
  for (const QAction* action : popup->actions()) {
    shown << (action->isSeparator() ? "-" : action->text() + "/" + action->data().toString()) +
                 (action->isChecked() ? " [x]" : "");
  }
  EXPECT_EQ(shown, (QStringList{"Set &topmost/mnuSetTopmost",
                                "Set all && more/mnuSetAllTopmost [x]", "-"}));
}

TEST(QtDialogsTest, InputBoxShowsThePromptAsItIsAndCancelAnswersEmpty) {
  QtDialogs dialogs;
  const std::string prompt = "'<p>: The Paragraph & <b>more</b>' is now topmost\r\n\r\nAlways?";
  WhenModal<QInputDialog>([](QInputDialog* box) {
    EXPECT_EQ(box->windowTitle() + "|" + box->textValue(), "Hoverdeck|Report");
    const QString shown = "'<p>: The Paragraph & <b>more</b>' is now topmost\n\nAlways?";
    EXPECT_EQ(box->labelText(), shown);
    // Markup and ampersands of other programs' captions are shown, not interpreted.
    for (const QLabel* label : box->findChildren<QLabel*>()) {
      if (label->text() != shown) continue;
      EXPECT_EQ(Bits({label->textFormat() == Qt::PlainText, label->buddy() == nullptr}), "11");
    }
    box->setTextValue("Reports");
    box->accept();
  });
  EXPECT_EQ(dialogs.InputBox(prompt, "Hoverdeck", "Report"), "Reports");
  WhenModal<QInputDialog>([](QInputDialog* box) {
    box->setTextValue("typed, then cancelled");
    box->reject();
  });
  EXPECT_EQ(dialogs.InputBox("prompt", "title", "default"), "");
}

// The quit question as a real box: the tick goes on behind it, closing it answers No, Yes ends.
TEST(QtDialogsTest, TheQuitQuestionLetsTheTickThroughAndOnlyYesEnds) {
  QtDialogs dialogs;
  FormDesk desk({.dialogs = &dialogs});
  frmTop& form = desk.form;
  desk.Ini("[DisableX]\nWin1=Mail\nchkWin1=1\n");
  MainWindow window(form, dialogs, true);
  window.SetEndHandler([] {});
  window.Dispatch([&form] { form.Form_Load(""); });
  form.Timer1.SetInterval(20);
  window.Sync();

  const WindowHandle mail = desk.desktop.Open("Mail - inbox");
  bool disabled_while_open = false;
  WhenModal<QMessageBox>([&](QMessageBox* box) {
    EXPECT_EQ(box->windowTitle() + "|" + box->text(),
              "Hoverdeck - 1.1h|Do you really want to quit Hoverdeck ?");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    QDeadlineTimer deadline(3000);
    while (!disabled_while_open && !deadline.hasExpired()) {
      QTest::qWait(10);
      disabled_while_open = (desk.desktop.Window(mail).close_state.value_or(0) & 3u) == 3u;
    }
    box->reject();
  });
  window.Dispatch([&form] { form.mnuQuitter_Click(); });
  EXPECT_EQ(std::pair(disabled_while_open, form.EndRequested()), std::pair(true, false));
  WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  window.Dispatch([&form] { form.mnuQuitter_Click(); });
  EXPECT_TRUE(form.EndRequested());
}

TEST(QtAboutTest, LinkAndOkReachTheirHandlers) {
  FakeShell shell;
  frmAbout about(shell);
  about.Form_Load();
  const auto dialog = BuildAboutDialog(about);
  auto* link = dialog->findChild<QLabel*>("lblLink");
  auto* ok = dialog->findChild<QPushButton*>("cmdOK");
  ASSERT_TRUE(link && ok);
  dialog->show();
  QTest::mouseClick(link, Qt::LeftButton);
  EXPECT_EQ(shell.opened, std::vector<std::string>{"https://hoverdeck.example.org/"});
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(Bits({about.Loaded(), dialog->isVisible()}), "00");
}

// Settings never go beside a program that the system installed, whoever runs it.
TEST(QtProgramHostTest, SystemFoldersAreThoseOfInstalledSoftware) {
  QtProgramHost host({}, {});
  for (const char* folder : {"/usr/bin", "/usr/local/bin", "/bin", "/opt/hoverdeck", "/usr/../opt"})
    EXPECT_TRUE(host.IsSystemFolder(folder)) << folder;
  for (const char* folder : {"/home/me/tools", "/tmp", "/usrx/bin", "relative/bin", "/"})
    EXPECT_FALSE(host.IsSystemFolder(folder)) << folder;
}

// The hotkey box's field names the key pressed with each modifier held; a modifier alone, or a
// key no hotkey takes, leaves the choice as it was.
TEST(QtHotkeyDialogTest, TheFieldNamesTheKeyWithEachModifierHeld) {
  frmHotkey box;
  box.Form_Load(Hotkey{}, [](const Hotkey&) { return HotkeyHold::kHeld; });
  const auto dialog = BuildHotkeyDialog(box);
  auto* field = dialog->findChild<QLineEdit*>("txtHotkey");
  ASSERT_NE(field, nullptr);
  for (const auto& [key, held, shown] :
       {std::tuple(Qt::Key_T, Qt::ControlModifier | Qt::MetaModifier, "Ctrl+Super+T"),
        {Qt::Key_F5, Qt::AltModifier | Qt::ShiftModifier, "Alt+Shift+F5"},
        {Qt::Key_Shift, Qt::ShiftModifier, "Alt+Shift+F5"},
        {Qt::Key_PageDown, Qt::ControlModifier | Qt::KeypadModifier, "Ctrl+PageDown"},
        {Qt::Key_Print, Qt::ControlModifier, "Ctrl+PageDown"}}) {
    QTest::keyClick(field, key, held);
    EXPECT_EQ(field->text().toStdString(), shown);
  }
}

TEST(QtTrayTest, WithoutANotificationAreaNothingIsAdded) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());  // none on the offscreen platform
  QtTray tray;
  EXPECT_EQ(Bits({tray.Add("Hoverdeck 1.1h"), tray.Present(), tray.ModifyTip("tip")}), "000");
  EXPECT_FALSE(ProgramIcon().isNull());
}

}  // namespace
}  // namespace hoverdeck
