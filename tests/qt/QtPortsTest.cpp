// The Qt ports on their own: popup and about box construction, tray events and the no-tray
// decision.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "support/ScriptedDialogs.h"
#include "ui/Controls.h"
#include "ui/frmAbout.h"
#include "ui/qt/NoTrayFallback.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/QtTray.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

TEST(QtPopupTest, ActionsCarryCaptionsNamesSeparatorsAndMarks) {
  MenuItem set("mnuSetTopmost", "Set &topmost");
  MenuItem all("mnuSetAllTopmost", "Set all && more");
  MenuItem sep("Sep2", "-");
  MenuItem close("mnuDisableX", "Disable X");
  all.SetChecked(true);
  const Menu menu("mnuPopupNonTopmost", "popup", false, {&set, &all, &sep, &close});

  const auto popup = BuildPopupMenu(menu);
  const QList<QAction*> actions = popup->actions();
  ASSERT_EQ(actions.size(), 4);
  EXPECT_EQ(actions[0]->text(), "Set &topmost");
  EXPECT_EQ(actions[0]->data().toString(), "mnuSetTopmost");
  EXPECT_FALSE(actions[0]->isChecked());
  EXPECT_EQ(actions[1]->text(), "Set all && more");
  EXPECT_TRUE(actions[1]->isCheckable());
  EXPECT_TRUE(actions[1]->isChecked());
  EXPECT_TRUE(actions[2]->isSeparator());
  EXPECT_EQ(actions[3]->data().toString(), "mnuDisableX");
}

TEST(QtTextTest, LineBreaksOfTheCoreBecomeQtLineBreaks) {
  EXPECT_EQ(ToQt("first\r\nsecond\r\n"), "first\nsecond\n");
  EXPECT_EQ(ToQt("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
}

// Answers the modal box that the next call opens, from the event loop it runs.
template <typename Box, typename Fn>
void WhenModal(Fn answer) {
  QTimer::singleShot(0, [answer] {
    auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    answer(box);
  });
}

TEST(QtDialogsTest, InputBoxShowsTheLinesAndCancelAnswersEmpty) {
  QtDialogs dialogs;
  QString label;
  WhenModal<QInputDialog>([&label](QInputDialog* box) {
    label = box->labelText();
    EXPECT_EQ(box->windowTitle(), "Hoverdeck");
    EXPECT_EQ(box->textValue(), "Report");
    box->setTextValue("Reports");
    box->accept();
  });
  EXPECT_EQ(dialogs.InputBox("'Report' is now topmost\r\n\r\nAlways?", "Hoverdeck", "Report"),
            "Reports");
  EXPECT_EQ(label, "'Report' is now topmost\n\nAlways?");

  WhenModal<QInputDialog>([](QInputDialog* box) {
    box->setTextValue("typed, then cancelled");
    box->reject();
  });
  EXPECT_EQ(dialogs.InputBox("prompt", "title", "default"), "");
}

TEST(QtDialogsTest, MessageBoxAnswersWithTheButtonAndAClosedQuestionIsNo) {
  QtDialogs dialogs;
  WhenModal<QMessageBox>([](QMessageBox* box) {
    EXPECT_EQ(box->windowTitle(), "Hoverdeck - 1.1h");
    EXPECT_EQ(box->text(), "Do you really\nwant to quit?");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    box->button(QMessageBox::Yes)->click();
  });
  EXPECT_EQ(dialogs.MessageBox("Do you really\r\nwant to quit?", "Hoverdeck - 1.1h",
                               MessageIcon::kQuestion, MessageButtons::kYesNo),
            MessageAnswer::kYes);

  WhenModal<QMessageBox>([](QMessageBox* box) { box->reject(); });
  EXPECT_EQ(dialogs.MessageBox("q", "t", MessageIcon::kQuestion, MessageButtons::kYesNo),
            MessageAnswer::kNo);

  WhenModal<QMessageBox>([](QMessageBox* box) {
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->buttons().size(), 1);
    box->reject();
  });
  EXPECT_EQ(dialogs.MessageBox("m", "t", MessageIcon::kExclamation, MessageButtons::kOk),
            MessageAnswer::kOk);
}

TEST(QtAboutTest, BoxShowsTheFormAndSendsItsEventsToTheHandlers) {
  FakeShell shell;
  frmAbout about(shell);
  about.Form_Load();
  const auto dialog = BuildAboutDialog(about);
  EXPECT_EQ(dialog->windowTitle(), "About / Help...");

  const QList<QLabel*> labels = dialog->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(labels.size(), 9);
  EXPECT_EQ(labels[0]->text(),
            "Hoverdeck 1.1h: automatically set topmost windows & disable X close button\n"
            "Made by the Hoverdeck developers, 2026");
  EXPECT_TRUE(labels[7]->text().endsWith("Hoverdeck -s"));

  auto* link = dialog->findChild<QLabel*>("lblLink");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link, labels[8]);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0xFF));
  EXPECT_TRUE(link->testAttribute(Qt::WA_SetCursor));
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_NE(labels[0]->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseClick(link, Qt::LeftButton);
  EXPECT_EQ(shell.opened, std::vector<std::string>{"https://hoverdeck.example.org/"});

  auto* ok = dialog->findChild<QPushButton*>("cmdOK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "&OK");
  dialog->show();
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_FALSE(about.Loaded());
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog->isVisible());
}

TEST(QtTrayTest, WithoutANotificationAreaNothingIsAdded) {
  // The offscreen platform has no tray.
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  QtTray tray;
  EXPECT_FALSE(tray.Add("Hoverdeck 1.1h"));
  EXPECT_FALSE(tray.Present());
  EXPECT_FALSE(tray.ModifyTip("tip"));
  EXPECT_FALSE(tray.Delete());
  EXPECT_FALSE(ProgramIcon().isNull());
}

TEST(NoTrayFallbackTest, WithATrayTheWindowFollowsTheCoreAndNothingIsSaid) {
  NoTrayFallback fallback(true);
  EXPECT_EQ(fallback.Present(true, WindowState::kNormal), (WindowPresentation{true, false}));
  EXPECT_EQ(fallback.Present(false, WindowState::kMinimized), (WindowPresentation{false, true}));
  EXPECT_FALSE(fallback.TakeMessage());
  EXPECT_FALSE(fallback.RestoreShows(false));
}

TEST(NoTrayFallbackTest, WithoutATrayAHiddenMinimisedWindowStaysMinimisedAndIsExplainedOnce) {
  NoTrayFallback fallback(false);
  // The invisible mode hides a normal window: no tray needed, nothing said.
  EXPECT_EQ(fallback.Present(false, WindowState::kNormal), (WindowPresentation{false, false}));
  EXPECT_FALSE(fallback.TakeMessage());

  EXPECT_EQ(fallback.Present(false, WindowState::kMinimized), (WindowPresentation{true, true}));
  EXPECT_TRUE(fallback.RestoreShows(false));
  EXPECT_TRUE(fallback.TakeMessage());
  EXPECT_FALSE(fallback.TakeMessage());
  EXPECT_EQ(fallback.Present(false, WindowState::kMinimized), (WindowPresentation{true, true}));
  EXPECT_FALSE(fallback.TakeMessage());
  EXPECT_FALSE(fallback.RestoreShows(true));
}

}  // namespace
}  // namespace hoverdeck
