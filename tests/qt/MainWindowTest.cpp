// The main window on the offscreen platform: the widgets show the core's state, and the user's
// events (sent as real Qt mouse and key events) reach the core's handlers.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTest>

#include <map>

#include "support/FakeTray.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/FormLayout.h"
#include "ui/frmTop.h"
#include "ui/qt/MainWindow.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest()
      : host_(dir_.path()), form_(FormPorts{desktop_, desktop_, tray_, dialogs_, shell_, host_}) {}

  // Builds the window the way the program does, then loads the form through it.
  void Start(bool tray_available = true, const std::string& command_line = "") {
    window_ = std::make_unique<MainWindow>(form_, dialogs_, tray_available);
    window_->SetEndHandler([this] { ++ends_; });
    window_->Dispatch([this, command_line] { form_.Form_Load(command_line); });
  }
  void Ini(const std::string& content) { WriteBytes(dir_.File("Hoverdeck.ini"), content); }
  std::string IniText() const { return ReadBytes(dir_.File("Hoverdeck.ini")); }

  QListWidget* List(const char* name) { return window_->List(name); }
  QString Text(const char* name) {
    if (auto* label = qobject_cast<QLabel*>(window_->Control(name))) return label->text();
    return {};
  }
  static QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
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
  QAction* Action(const char* menu, const char* item) {
    for (QAction* action : window_->BarMenu(menu)->actions()) {
      if (action->objectName() == item) return action;
    }
    return nullptr;
  }

  TempDir dir_;
  SimulatedDesktop desktop_;
  FakeTray tray_;
  ScriptedDialogs dialogs_;
  FakeShell shell_;
  FakeHost host_;
  frmTop form_;
  std::unique_ptr<MainWindow> window_;
  int ends_ = 0;
};

// ---- Drawing the state ----

TEST_F(MainWindowTest, AfterLoadTheWidgetsShowSortedListsCountsAndCaptions) {
  Ini("[TopMostWindows]\nWin1=zeta\nchkWin1=1\nWin2=Alpha\nchkWin2=0\n");
  desktop_.Open("Editor", true);
  desktop_.Open("b window");
  desktop_.Open("A & B");
  Start();

  EXPECT_EQ(Texts(List("lstFenetresNonTopMost")), (QStringList{"A & B", "b window"}));
  EXPECT_EQ(Texts(List("lstFenetresTopMost")), QStringList{"Editor"});
  EXPECT_EQ(Text("lblNbNonTopmost"), "2");
  EXPECT_EQ(Text("lblNbTopmost"), "1");
  EXPECT_EQ(qobject_cast<QPushButton*>(window_->Control("cmdAjouter"))->text(), "Add");

  QListWidget* catalogue = List("lstCatalogueTopMost");
  ASSERT_EQ(Texts(catalogue), (QStringList{"Alpha", "zeta"}));
  EXPECT_EQ(catalogue->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(catalogue->item(1)->checkState(), Qt::Checked);
  EXPECT_FALSE(List("lstFenetresNonTopMost")->item(0)->flags() & Qt::ItemIsUserCheckable);
  EXPECT_EQ(window_->windowTitle(), "Hoverdeck 1.1h; Windows 2000 v.5.0, Build 2195");
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->RefreshTimer().isActive());
}

TEST_F(MainWindowTest, EveryControlSitsAtItsLayoutPlaceInItsContainerWithItsLooks) {
  Start();
  for (const ControlLayout& layout : FrmTopLayout()) {
    QWidget* widget = window_->Control(layout.name);
    const std::string name(layout.name);
    if (!layout.shown) {
      EXPECT_EQ(widget, nullptr) << name;
      continue;
    }
    ASSERT_NE(widget, nullptr) << name;
    EXPECT_EQ(widget->geometry(),
              QRect(TwipsToPixels(layout.left, 96), TwipsToPixels(layout.top, 96),
                    TwipsToPixels(layout.width, 96), TwipsToPixels(layout.height, 96)))
        << name;
    const std::string container =
        layout.container.empty() ? "frmTop" : std::string(layout.container);
    EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), container) << name;
    EXPECT_EQ(widget->font().bold(), layout.bold) << name;
    EXPECT_EQ(widget->font().underline(), layout.underline) << name;
  }
  EXPECT_EQ(window_->centralWidget()->size(), QSize(649, 516));

  auto colour = [&](const char* name, QPalette::ColorRole role) {
    return window_->Control(name)->palette().color(role);
  };
  EXPECT_EQ(colour("Label1", QPalette::Window), QColor(0x80, 0x80, 0xFF));
  EXPECT_TRUE(window_->Control("Label1")->autoFillBackground());
  EXPECT_EQ(colour("Label1", QPalette::WindowText),
            window_->palette().color(QPalette::HighlightedText));
  EXPECT_EQ(colour("lblUpdate", QPalette::WindowText), QColor(0xFF, 0x80, 0x80));
  EXPECT_EQ(colour("lstFenetresTopMost", QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
  EXPECT_EQ(colour("lstFenetresNonTopMost", QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
  EXPECT_TRUE(qobject_cast<QLabel*>(window_->Control("lblUpdate"))->alignment() & Qt::AlignRight);
}

// Whether `text` in `metrics` fits a box of `size` that holds `lines` lines of it; wrapped at
// word boundaries where more than one line is allowed.
::testing::AssertionResult TextFits(const QFontMetrics& metrics, const QString& text, QSize size,
                                    int lines) {
  const int flags = Qt::TextShowMnemonic | (lines > 1 ? Qt::TextWordWrap : 0);
  const QRect needed = metrics.boundingRect(QRect(0, 0, size.width(), 100000), flags, text);
  if (needed.width() <= size.width() && needed.height() <= size.height()) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "\"" << text.toStdString() << "\" needs " << needed.width() << "x" << needed.height()
         << " px, has " << size.width() << "x" << size.height() << " for " << lines << " line(s)";
}

// How many lines a caption may take: as many as the control is tall for, at least one.
int LinesFor(const QFontMetrics& metrics, int height) {
  return std::max(1, height / metrics.lineSpacing());
}

TEST_F(MainWindowTest, EveryCaptionFitsItsControlInTheLinesTheControlIsTallFor) {
  Ini("[Configuration]\nSetAllTopMost=1\n");
  Start();
  int checked = 0;
  for (const ControlLayout& layout : FrmTopLayout()) {
    QWidget* widget = window_->Control(layout.name);
    const std::string name(layout.name);
    // The text shown and the room it has, in lines the control is tall for.
    QString text;
    QRect room;
    int lines = 1;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      text = label->text();
      room = label->contentsRect();
      lines = LinesFor(label->fontMetrics(), room.height());
      // A single-line label that wrapped would show its first word alone.
      EXPECT_TRUE(lines > 1 || !label->wordWrap()) << name;
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = text = button->text();
      room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      QStyleOptionGroupBox option;
      option.initFrom(group);
      option.text = text = group->title();
      option.textAlignment = group->alignment();
      option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
      option.lineWidth = 1;
      // The style sizes the title to its text; it must stay inside the frame.
      room = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel,
                                            group);
      EXPECT_TRUE(room.left() >= 0 && room.right() < group->width()) << name;
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      auto* caption = box->findChild<QLabel*>();
      ASSERT_NE(caption, nullptr) << name;
      QStyleOptionButton option;
      option.initFrom(box);
      const QRect indicator =
          box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
      EXPECT_TRUE(box->rect().contains(caption->geometry())) << name;
      EXPECT_GT(caption->geometry().left(), indicator.right()) << name;
      EXPECT_TRUE(caption->wordWrap()) << name;
      text = caption->text();
      room = caption->contentsRect();
      lines = LinesFor(caption->fontMetrics(), caption->height());
      EXPECT_GE(lines, 2) << name;  // the layout's check boxes are two lines tall
    } else {
      continue;
    }
    EXPECT_TRUE(layout.type == ControlType::kLabel || !text.isEmpty()) << name;
    EXPECT_TRUE(TextFits(widget->fontMetrics(), text, room.size(), lines)) << name;
    ++checked;
  }
  // 15 labels, 7 buttons, 2 titled frames, 2 check boxes.
  EXPECT_EQ(checked, 26);
}

TEST_F(MainWindowTest, TabOrderFollowsTheLayoutAndTheFirstListHasTheFocus) {
  Start();
  std::map<int, QString> by_tab_index;
  for (const ControlLayout& layout : FrmTopLayout()) {
    if (layout.tab_index >= 0) by_tab_index[layout.tab_index] = QString::fromUtf8(layout.name.data(), layout.name.size());
  }
  QStringList expected;
  for (const auto& [index, name] : by_tab_index) expected << name;
  ASSERT_FALSE(expected.isEmpty());
  EXPECT_EQ(window_->focusWidget()->objectName(), expected[0]);
  // The named controls in the order the focus chain meets them.
  QStringList chain;
  QWidget* widget = window_->focusWidget();
  for (int steps = 0; steps < 1000 && chain.size() < expected.size(); ++steps) {
    if (window_->Control(widget->objectName().toStdString()) == widget &&
        widget->focusPolicy() & Qt::TabFocus) {
      chain << widget->objectName();
    }
    widget = widget->nextInFocusChain();
  }
  EXPECT_EQ(chain, expected);
}

TEST_F(MainWindowTest, FocusAloneDoesNotPauseTheRefreshButAKeyboardSelectionDoes) {
  desktop_.Open("First");
  desktop_.Open("Second");
  Start();
  QListWidget* list = List("lstFenetresNonTopMost");
  window_->activateWindow();
  list->clearFocus();
  list->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  EXPECT_TRUE(form_.Timer1.Enabled());
  EXPECT_EQ(Text("lblUpdate"), "Update every 1000 ms");

  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_FALSE(form_.Timer1.Enabled());
  EXPECT_EQ(Text("lblUpdate"), "No update (idle)");
  EXPECT_NE(form_.lstFenetresNonTopMost.ListIndex(), SortedList::kNoSelection);
}

TEST_F(MainWindowTest, MenusShowTheCoreCaptionsMarksAndShortcut) {
  Ini("[Configuration]\nSetTopMostCaption=1\nConstTopMost=[TOP]\n");
  Start();
  EXPECT_EQ(Action("mnuConfiguration", "mnuConstTopMost")->text(),
            "Select a string &marker on topmost Windows = [TOP]");
  EXPECT_TRUE(Action("mnuConfiguration", "mnuTopMostCaption")->isChecked());
  EXPECT_FALSE(Action("mnuConfiguration", "mnuMinimized")->isChecked());
  EXPECT_EQ(Action("mnuHelp", "mnuAPropos")->shortcut(), QKeySequence(Qt::Key_F1));

  // Triggering goes to the core, whose mark the action then shows.
  Action("mnuConfiguration", "mnuMinimized")->trigger();
  EXPECT_TRUE(form_.mnuMinimized.Checked());
  EXPECT_TRUE(Action("mnuConfiguration", "mnuMinimized")->isChecked());
  EXPECT_NE(IniText().find("Minimized=1"), std::string::npos);
  Action("mnuConfiguration", "mnuTopMostCaption")->trigger();
  EXPECT_FALSE(Action("mnuConfiguration", "mnuTopMostCaption")->isChecked());
}

// ---- The refresh and its pause ----

TEST_F(MainWindowTest, ClickOnAnEntrySelectsItAndPausesTheRefreshUntilThePointerLeaves) {
  desktop_.Open("One");
  desktop_.Open("Two");
  Start();
  QListWidget* list = List("lstFenetresNonTopMost");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, Centre(list, 1));
  EXPECT_EQ(form_.lstFenetresNonTopMost.ListIndex(), 1);
  EXPECT_EQ(Text("lblUpdate"), "No update (idle)");
  EXPECT_FALSE(window_->RefreshTimer().isActive());

  // Over the window's free background the refresh resumes.
  QTest::mouseMove(window_->centralWidget(), QPoint(2, 600 / 15));
  EXPECT_TRUE(form_.Timer1.Enabled());
  EXPECT_TRUE(window_->RefreshTimer().isActive());
}

TEST_F(MainWindowTest, TheQtTimerRunsTheCoreTick) {
  Start();
  EXPECT_EQ(List("lstFenetresNonTopMost")->count(), 0);
  desktop_.Open("Late arrival");
  form_.Timer1.SetInterval(20);
  window_->Sync();
  EXPECT_EQ(window_->RefreshTimer().interval(), 20);
  QTRY_COMPARE_WITH_TIMEOUT(List("lstFenetresNonTopMost")->count(), 1, 2000);

  form_.Timer1.SetEnabled(false);
  window_->Sync();
  EXPECT_FALSE(window_->RefreshTimer().isActive());
}

TEST_F(MainWindowTest, HoverOverAnEntryNamesItsProgramAndTheBannerClearsIt) {
  SimWindow window{.caption = "Report - Editor", .process = 77};
  desktop_.Open(window);
  desktop_.AddProcess(77, {"/usr/bin/editor", "editor"});
  Start();
  QListWidget* list = List("lstFenetresNonTopMost");
  QTest::mouseMove(list->viewport(), Centre(list, 0));
  EXPECT_EQ(Text("lblProgName"), "editor");
  QTest::mouseMove(window_->Control("Label1"), QPoint(5, 5));
  EXPECT_EQ(Text("lblProgName"), "");
}

// ---- Window commands ----

TEST_F(MainWindowTest, DoubleClickMakesTheWindowTopmostAndTheAcceptedOfferShowsInTheCatalogue) {
  const auto report = desktop_.Open("Report - Editor");
  Start();
  dialogs_.input_answers.push_back(ScriptedDialogs::kAcceptDefault);
  QListWidget* list = List("lstFenetresNonTopMost");
  DoubleClick(list, 0);
  EXPECT_TRUE(desktop_.Window(report).topmost);
  ASSERT_EQ(dialogs_.inputs.size(), 1u);
  EXPECT_EQ(Texts(List("lstCatalogueTopMost")), QStringList{"Report"});
  EXPECT_EQ(List("lstCatalogueTopMost")->item(0)->checkState(), Qt::Checked);

  // The Refresh button rescans: the window moves to the other list.
  QTest::mouseClick(window_->Control("cmdRefresh"), Qt::LeftButton);
  EXPECT_EQ(Texts(List("lstFenetresTopMost")), QStringList{"Report - Editor"});
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(Text("lblNbTopmost"), "1");
}

TEST_F(MainWindowTest, RightPressLeavesTheSelectionAndOffersThePopupForTheSelectedEntry) {
  const auto one = desktop_.Open("One");
  desktop_.Open("Two");
  Start();
  QListWidget* list = List("lstFenetresNonTopMost");
  QTest::mousePress(list->viewport(), Qt::RightButton, {}, Centre(list, 0));
  EXPECT_TRUE(dialogs_.popups.empty());  // nothing selected: no popup
  EXPECT_EQ(list->currentRow(), -1);
  EXPECT_EQ(form_.lstFenetresNonTopMost.ListIndex(), SortedList::kNoSelection);

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, Centre(list, 0));
  dialogs_.popup_choices.push_back("mnuSetTopmost");
  dialogs_.input_answers.push_back("");  // no rule for it
  QTest::mousePress(list->viewport(), Qt::RightButton, {}, Centre(list, 1));
  EXPECT_EQ(dialogs_.popups, std::vector<std::string>{"mnuPopupNonTopmost"});
  EXPECT_TRUE(desktop_.Window(one).topmost);  // the selected entry, not the one pressed
}

// ---- Catalogues and switches ----

TEST_F(MainWindowTest, CatalogueButtonsAndDoubleClickReachTheirHandlers) {
  Ini("[TopMostWindows]\nWin1=Notepad\nchkWin1=1\n");
  Start();
  dialogs_.input_answers.push_back("Mail");
  QTest::mouseClick(window_->Control("cmdAjouter"), Qt::LeftButton);
  EXPECT_EQ(Texts(List("lstCatalogueTopMost")), (QStringList{"Mail", "Notepad"}));
  ASSERT_EQ(dialogs_.inputs.size(), 1u);

  dialogs_.input_answers.push_back("Notes");
  QListWidget* catalogue = List("lstCatalogueTopMost");
  DoubleClick(catalogue, 1);
  ASSERT_EQ(dialogs_.inputs.size(), 2u);
  EXPECT_EQ(dialogs_.inputs[1].default_text, "Notepad");
  EXPECT_EQ(Texts(catalogue), (QStringList{"Mail", "Notes"}));

  catalogue->item(1)->setCheckState(Qt::Unchecked);  // what a click on the box does
  EXPECT_EQ(form_.Config().Read("TopMostWindows", "chkWin2"), "0");
  EXPECT_EQ(form_.lstCatalogueTopMost.ListIndex(), 1);
}

TEST_F(MainWindowTest, TheCheckBoxCaptionShowsTheCoreCaptionAndAPressOnItGoesToTheCore) {
  Start();
  auto* box = qobject_cast<QCheckBox*>(window_->Control("chkAllDisableX"));
  auto* caption = box->findChild<QLabel*>();
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->text(), "Disable X button for all visible windows when HVD minimized");
  EXPECT_TRUE(box->text().isEmpty());  // drawn once only, by the label

  // Presses on the caption's last line, far from the indicator.
  const QPoint on_caption = caption->geometry().bottomRight() - QPoint(4, 4);
  QTest::mouseClick(box, Qt::LeftButton, {}, on_caption);
  EXPECT_TRUE(form_.chkAllDisableX.Value());
  EXPECT_TRUE(box->isChecked());
  QTest::mouseClick(box, Qt::LeftButton, {}, on_caption);
  EXPECT_FALSE(form_.chkAllDisableX.Value());
  EXPECT_FALSE(box->isChecked());
  // The right button does nothing, on the caption as on the box; nor can the keyboard flip it
  // behind the core's back.
  QTest::mouseClick(box, Qt::RightButton, {}, on_caption);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_FALSE(form_.chkAllDisableX.Value());
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(form_.Config().Read("Configuration", "SetAllDisableX"), "0");
}

// ---- Window state, tray and closing ----

TEST_F(MainWindowTest, MinimisingWithATrayHidesAndTheTrayBringsItBack) {
  Start(true);
  window_->setWindowState(Qt::WindowMinimized);
  EXPECT_EQ(form_.State(), WindowState::kMinimized);
  EXPECT_FALSE(form_.Visible());
  EXPECT_FALSE(window_->isVisible());

  window_->Dispatch([this] { form_.PictureTopMost_MouseMove(TrayMouseEvent::kLeftDoubleClick); });
  EXPECT_TRUE(window_->isVisible());
  EXPECT_FALSE(window_->isMinimized());
  QCoreApplication::processEvents();
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(MainWindowTest, MinimisingWithoutATrayKeepsTheWindowInTheTaskbarAndSaysSoOnce) {
  Start(false);
  window_->setWindowState(Qt::WindowMinimized);
  EXPECT_EQ(form_.State(), WindowState::kMinimized);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->isMinimized());
  QCoreApplication::processEvents();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].title, "Hoverdeck - 1.1h");

  // Restored from the taskbar, the core shows the window again.
  window_->setWindowState(Qt::WindowNoState);
  EXPECT_EQ(form_.State(), WindowState::kNormal);
  EXPECT_TRUE(form_.Visible());
  window_->setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, StartedMinimisedWithoutATrayTheWindowWaitsForTheWindowManager) {
  Ini("[Configuration]\nMinimized=1\n");
  Start(false);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->isMinimized());
  EXPECT_EQ(form_.State(), WindowState::kMinimized);
  EXPECT_FALSE(form_.Visible());

  // Before the window manager has iconified the window, X reports it normal: no restore, and
  // the message waits to tell what the window manager made of it.
  window_->setWindowState(Qt::WindowNoState);
  EXPECT_EQ(form_.State(), WindowState::kMinimized);
  EXPECT_FALSE(form_.Visible());
  QCoreApplication::processEvents();
  EXPECT_TRUE(dialogs_.messages.empty());
  // Iconified; from then on a restore from the taskbar is the user's and shows the window.
  window_->setWindowState(Qt::WindowMinimized);
  EXPECT_EQ(form_.State(), WindowState::kMinimized);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs_.messages.empty(); }, 2000));
  EXPECT_NE(dialogs_.messages[0].text.find("minimized in the taskbar"), std::string::npos);
  window_->setWindowState(Qt::WindowNoState);
  EXPECT_EQ(form_.State(), WindowState::kNormal);
  EXPECT_TRUE(form_.Visible());
  EXPECT_FALSE(window_->isMinimized());
  QCoreApplication::processEvents();
  EXPECT_EQ(dialogs_.messages.size(), 1u);
}

TEST_F(MainWindowTest, AWindowManagerThatNeverIconifiesIsFollowedOnceTheSettleTimeRunsOut) {
  Ini("[Configuration]\nMinimized=1\n");
  Start(false);
  QCoreApplication::processEvents();  // the platform's own echo of the request
  window_->setWindowState(Qt::WindowNoState);
  EXPECT_EQ(form_.State(), WindowState::kMinimized);
  ASSERT_TRUE(window_->MinimizeSettleTimer().isActive());
  QCoreApplication::processEvents();
  EXPECT_EQ(form_.State(), WindowState::kMinimized);
  EXPECT_TRUE(QTest::qWaitFor([this] { return !window_->MinimizeSettleTimer().isActive(); }, 5000));
  // The window stayed normal: so does the core, which shows it again, and the message says so.
  EXPECT_EQ(form_.State(), WindowState::kNormal);
  EXPECT_TRUE(form_.Visible());
  EXPECT_TRUE(window_->isVisible());
  EXPECT_FALSE(window_->isMinimized());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs_.messages.empty(); }, 2000));
  EXPECT_NE(dialogs_.messages[0].text.find("stays open on the screen"), std::string::npos);
}

TEST_F(MainWindowTest, CloseAsksAndOnlyYesEndsTheProgram) {
  Start();
  dialogs_.answers_yes_no.push_back(MessageAnswer::kNo);
  EXPECT_FALSE(window_->close());
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(ends_, 0);
  dialogs_.answers_yes_no.push_back(MessageAnswer::kYes);
  EXPECT_TRUE(window_->close());
  EXPECT_EQ(ends_, 1);
}

TEST_F(MainWindowTest, AHandlerThatThrowsLeavesTheWindowWorking) {
  Start();
  window_->Dispatch([] { throw std::runtime_error("boom"); });
  // The next event still reaches the core.
  QTest::mouseClick(window_->Control("chkAllDisableX"), Qt::LeftButton);
  EXPECT_TRUE(form_.chkAllDisableX.Value());
}

TEST_F(MainWindowTest, InvisibleModeNeverShowsTheWindow) {
  Start(false, "-i");
  EXPECT_FALSE(window_->isVisible());
  QCoreApplication::processEvents();
  EXPECT_TRUE(dialogs_.messages.empty());
}

}  // namespace
}  // namespace hoverdeck
