// The main window on the offscreen platform: the widgets show the core's state, and the user's
// events (sent as real Qt mouse and key events) reach the core's handlers. What the handlers then
// do is the core's, tested without Qt.
#include <gtest/gtest.h>

#include <csignal>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include "support/FormDesk.h"
#include "ui/FormLayout.h"
#include "ui/qt/EndSignals.h"
#include "ui/qt/MainWindow.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

class MainWindowTest : public ::testing::Test, public FormDesk {
 protected:
  // Builds the window the way the program does, then loads the form through it.
  void Start(const std::string& ini = "", bool tray_available = true,
             const std::string& command_line = "") {
    Ini(ini);
    window_ = std::make_unique<MainWindow>(form, dialogs, tray_available);
    window_->SetEndHandler([this] { ++ends_; });
    window_->Dispatch([this, command_line] { form.Form_Load(command_line); });
  }
  QListWidget* List(const char* name) { return window_->List(name); }
  QString Text(const char* name) { return qobject_cast<QLabel*>(window_->Control(name))->text(); }
  // The entries' texts joined by "|", after the check box a view draws for those that hold a
  // check state (and are checkable; a box that takes no click is marked "[?]").
  static std::string Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
      const QListWidgetItem* item = list->item(i);
      const QVariant state = item->data(Qt::CheckStateRole);
      const QString box = !state.isValid()                               ? ""
                          : !(item->flags() & Qt::ItemIsUserCheckable)   ? "[?] "
                          : state.value<Qt::CheckState>() == Qt::Checked ? "[x] "
                                                                         : "[ ] ";
      texts << box + item->text();
    }
    return texts.join("|").toStdString();
  }
  // Where the view draws a line's check box: at its left end.
  static QPoint Box(QListWidget* list, int row) {
    const QRect line = list->visualItemRect(list->item(row));
    return {line.left() + line.height() / 2, line.center().y()};
  }
  static QPoint Centre(QListWidget* list, int row) {
    return list->visualItemRect(list->item(row)).center();
  }
  // As the window system sends it: press, release, then the second press as a double click.
  static void DoubleClick(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, Centre(list, row));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, Centre(list, row));
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, Centre(list, row));
  }
  QAction* Action(const char* name) { return window_->findChild<QAction*>(name); }

  std::unique_ptr<MainWindow> window_;
  int ends_ = 0;
};

TEST_F(MainWindowTest, WidgetsAndMenusShowTheCoreState) {
  desktop.Open("Editor", true);
  desktop.Open("b window");
  desktop.Open("A & B");
  Start(
      "[Configuration]\nSetTopMostCaption=1\nConstTopMost=[TOP]\n"
      "[TopMostWindows]\nWin1=zeta\nchkWin1=1\nWin2=Alpha\nchkWin2=0\n");
  EXPECT_EQ(Texts(List("lstFenetresNonTopMost")), "A & B|b window");
  EXPECT_EQ(Texts(List("lstFenetresTopMost")), "[TOP]Editor");  // marked
  EXPECT_EQ(Text("lblNbNonTopmost") + "/" + Text("lblNbTopmost"), "2/1");
  QListWidget* catalogue = List("lstCatalogueTopMost");
  EXPECT_EQ(Texts(catalogue), "[ ] Alpha|[x] zeta");
  // A click on the unchecked line's box checks it and writes it.
  QTest::mouseClick(catalogue->viewport(), Qt::LeftButton, {}, Box(catalogue, 0));
  EXPECT_EQ(Texts(catalogue) + form.Config().Read("TopMostWindows", "chkWin1"),
            "[x] Alpha|[x] zeta1");
  EXPECT_EQ(window_->windowTitle(), "Hoverdeck 1.1h; Windows 2000 v.5.0, Build 2195");
  EXPECT_TRUE(window_->isVisible());

  EXPECT_EQ(Action("mnuConstTopMost")->text(),
            "Select a string &marker on topmost Windows = [TOP]");
  EXPECT_TRUE(Action("mnuTopMostCaption")->isChecked());
  EXPECT_EQ(Action("mnuAPropos")->shortcut(), QKeySequence(Qt::Key_F1));
  // Triggering goes to the core, whose mark the action then shows.
  Action("mnuMinimized")->trigger();
  EXPECT_EQ(Bits({form.mnuMinimized.Checked(), Action("mnuMinimized")->isChecked()}), "11");
}

TEST_F(MainWindowTest, EveryControlSitsInItsContainer) {
  Start();
  for (const ControlLayout& layout : FrmTopLayout()) {
    QWidget* widget = window_->Control(layout.name);
    ASSERT_EQ(widget != nullptr, layout.shown) << layout.name;
    if (widget) {
      EXPECT_EQ(widget->parentWidget()->objectName().toStdString(),
                layout.container.empty() ? "frmTop" : std::string(layout.container));
    }
  }
}

TEST_F(MainWindowTest, SelectingPausesTheRefreshAndLeavingResumesItOnTheQtTimer) {
  desktop.Open("One");
  desktop.Open("Two");
  Start();
  QListWidget* list = List("lstFenetresNonTopMost");
  // Focus alone pauses nothing; a keyboard selection does.
  window_->activateWindow();
  list->clearFocus();
  list->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  EXPECT_TRUE(window_->RefreshTimer().isActive());
  EXPECT_EQ(Text("lblUpdate"), "Update every 1000 ms");
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_FALSE(window_->RefreshTimer().isActive());
  EXPECT_EQ(Text("lblUpdate"), "No update (idle)");
  // Over the window's free background the refresh resumes; a click selects and pauses again.
  QTest::mouseMove(window_->centralWidget(), QPoint(2, 40));
  EXPECT_TRUE(window_->RefreshTimer().isActive());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, Centre(list, 1));
  EXPECT_EQ(form.lstFenetresNonTopMost.ListIndex(), 1);
  EXPECT_FALSE(window_->RefreshTimer().isActive());
  // So does another window taking the activation.
  QWidget other;
  other.show();
  other.activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([this] { return window_->RefreshTimer().isActive(); }, 2000));

  // The Qt timer follows the core's and runs its tick.
  desktop.Open("Late arrival");
  form.Timer1.SetInterval(20);
  window_->Sync();
  EXPECT_EQ(window_->RefreshTimer().interval(), 20);
  EXPECT_TRUE(QTest::qWaitFor([list] { return list->count() == 3; }, 2000));
  form.Timer1.SetEnabled(false);
  window_->Sync();
  EXPECT_FALSE(window_->RefreshTimer().isActive());
}

TEST_F(MainWindowTest, ListEventsReachTheirHandlers) {
  const auto report = desktop.Open(SimWindow{.caption = "Report - Editor", .process = 77});
  const auto other = desktop.Open("Other");
  desktop.AddProcess(77, {"/usr/bin/editor", "editor"});
  Start("[TopMostWindows]\nWin1=Notepad\nchkWin1=1\n");
  QListWidget* list = List("lstFenetresNonTopMost");
  ASSERT_EQ(Texts(list), "Other|Report - Editor");
  // Hovering names the entry's program; the banner clears it.
  QTest::mouseMove(list->viewport(), Centre(list, 1));
  EXPECT_EQ(Text("lblProgName"), "editor");
  QTest::mouseMove(window_->Control("Label1"), QPoint(5, 5));
  EXPECT_EQ(Text("lblProgName"), "");
  // The right button selects nothing and offers the popup of the selected entry only.
  QTest::mousePress(list->viewport(), Qt::RightButton, {}, Centre(list, 0));
  EXPECT_EQ(Bits({dialogs.popups.empty(),
                  form.lstFenetresNonTopMost.ListIndex() == SortedList::kNoSelection}),
            "11");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, Centre(list, 0));
  dialogs.popup_choices.push_back("mnuSetTopmost");
  dialogs.input_answers.push_back("");
  QTest::mousePress(list->viewport(), Qt::RightButton, {}, Centre(list, 1));
  EXPECT_EQ(dialogs.popups, std::vector<std::string>{"mnuPopupNonTopmost"});
  EXPECT_EQ(Bits({desktop.Window(other).topmost, desktop.Window(report).topmost}), "10");

  // A double click switches; the accepted offer shows in the catalogue, and Refresh rescans.
  dialogs.input_answers.push_back(ScriptedDialogs::kAcceptDefault);
  const auto rows = list->findItems("Report - Editor", Qt::MatchExactly);
  ASSERT_EQ(rows.size(), 1);
  DoubleClick(list, list->row(rows[0]));
  EXPECT_TRUE(desktop.Window(report).topmost);
  EXPECT_EQ(Texts(List("lstCatalogueTopMost")), "[x] Notepad|[x] Report");
  QTest::mouseClick(window_->Control("cmdRefresh"), Qt::LeftButton);
  EXPECT_EQ(Texts(List("lstFenetresTopMost")), "Other|Report - Editor");
  EXPECT_EQ(Text("lblNbTopmost"), "2");
}

TEST_F(MainWindowTest, CatalogueButtonsDoubleClickBoxesAndCheckBoxesReachTheirHandlers) {
  Start("[TopMostWindows]\nWin1=Notepad\nchkWin1=1\n");
  QListWidget* catalogue = List("lstCatalogueTopMost");
  dialogs.input_answers.push_back("Mail");
  QTest::mouseClick(window_->Control("cmdAjouter"), Qt::LeftButton);
  EXPECT_EQ(Texts(catalogue), "[x] Mail|[x] Notepad");
  dialogs.input_answers.push_back("Notes");
  DoubleClick(catalogue, 1);
  ASSERT_EQ(dialogs.inputs.size(), 2u);
  EXPECT_EQ(dialogs.inputs[1].default_text, "Notepad");
  EXPECT_EQ(Texts(catalogue), "[x] Mail|[x] Notes");
  catalogue->item(1)->setCheckState(Qt::Unchecked);  // what a click on the box does
  EXPECT_EQ(form.Config().Read("TopMostWindows", "chkWin2"), "0");

  auto* box = qobject_cast<QCheckBox*>(window_->Control("chkAllDisableX"));
  auto* caption = box->findChild<QLabel*>();
  ASSERT_NE(caption, nullptr);
  // Drawn once only, by the label.
  EXPECT_EQ(box->text() + "|" + caption->text(),
            "|Disable X button for all visible windows when HVD minimized");
  // A press on the caption's last line, far from the indicator, goes to the core.
  const QPoint on_caption = caption->geometry().bottomRight() - QPoint(4, 4);
  QTest::mouseClick(box, Qt::LeftButton, {}, on_caption);
  EXPECT_EQ(Bits({form.chkAllDisableX.Value(), box->isChecked()}), "11");
  QTest::mouseClick(box, Qt::LeftButton, {}, on_caption);
  // Neither the right button nor the keyboard flips it behind the core's back.
  QTest::mouseClick(box, Qt::RightButton, {}, on_caption);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_EQ(Bits({form.chkAllDisableX.Value(), box->isChecked()}), "00");
}

TEST_F(MainWindowTest, AWindowManagerThatNeverIconifiesIsFollowedOnceTheSettleTimeRunsOut) {
  Start("[Configuration]\nMinimized=1\n", false);
  QCoreApplication::processEvents();  // the platform's own echo of the request
  window_->setWindowState(Qt::WindowNoState);
  ASSERT_TRUE(window_->MinimizeSettleTimer().isActive());
  EXPECT_TRUE(QTest::qWaitFor([this] { return !window_->MinimizeSettleTimer().isActive(); }, 5000));
  // The window stayed normal: so does the core, which shows it again, and the message says so.
  EXPECT_EQ(Bits({form.State() == WindowState::kNormal, window_->isVisible()}), "11");
  ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs.messages.empty(); }, 2000));
  EXPECT_NE(dialogs.messages[0].text.find("stays open on the screen"), std::string::npos);
}

TEST_F(MainWindowTest, CloseAsksAndOnlyYesEndsTheProgramAndAThrowingHandlerHarmsNothing) {
  Start();
  window_->Dispatch([] { throw std::runtime_error("boom"); });
  dialogs.answers_yes_no.push_back(MessageAnswer::kNo);
  EXPECT_EQ(Bits({window_->close(), window_->isVisible(), ends_ == 1}), "010");
  dialogs.answers_yes_no.push_back(MessageAnswer::kYes);
  EXPECT_EQ(Bits({window_->close(), ends_ == 1}), "11");
}

// The session's end (a signal) leaves the event loop without the quit question and with the
// window as it was; a signal the program was started with set to be ignored stays ignored.
TEST_F(MainWindowTest, TheSessionsEndNeverAsksAndIgnoredSignalsStayIgnored) {
  Start();
  std::signal(SIGHUP, SIG_IGN);
  {
    const auto watcher = EndSignals::Watch(&EndEventLoop);
    ASSERT_NE(watcher, nullptr);
    QTimer::singleShot(0, [] { std::raise(SIGHUP); });
    QTimer::singleShot(300, [] { std::raise(SIGTERM); });
    QTimer::singleShot(5000, window_.get(), [] { QApplication::exit(1); });  // gives up
    QElapsedTimer running;
    running.start();
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_GE(running.elapsed(), 250);
  }
  EXPECT_EQ(Bits({dialogs.messages.empty(), window_->isVisible()}), "11");
  EXPECT_EQ(std::signal(SIGHUP, SIG_DFL), SIG_IGN);
}

TEST_F(MainWindowTest, InvisibleModeNeverShowsTheWindow) {
  Start("", false, "-i");
  EXPECT_FALSE(window_->isVisible());
  QCoreApplication::processEvents();
  EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace hoverdeck
