// The real Hoverdeck.exe from outside: copies of it beside prepared INI files, windows of another
// process to work on, and the program worked through its own windows the way a user would.
//
// Under Wine another process's system menu cannot be reached (GetSystemMenu gives NULL for it),
// so nothing here looks at close-button rules; they stay with the adapter tests.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "E2eDesktop.h"
// After the Win32 headers that E2eDesktop.h brings.
#include <shlobj.h>

#include "OwnerProcess.h"
#include "support/TempDir.h"

namespace hoverdeck::e2e {
namespace {

using hoverdeck::testing::OwnerProcess;
using hoverdeck::testing::ReadBytes;
using hoverdeck::testing::TempDir;
using hoverdeck::testing::WriteBytes;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kMainClass[] = L"HoverdeckMainWindow";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMessageTitle[] = L"Hoverdeck - 1.1h";
constexpr wchar_t kOfferTitle[] = L"Hoverdeck";
constexpr wchar_t kEditTitle[] = L"Hoverdeck 1.1h";
// The input box's edit, as the program's dialog template numbers it.
constexpr int kInputEditId = 101;
constexpr int kInputPromptId = 100;

// Start-up under Wine, a box coming up, a file written: generous, since all are polled.
constexpr auto kStartLimit = 30s;
constexpr auto kReactionLimit = 10s;
// Two ticks of the one-second refresh and some slack.
constexpr auto kTwoTicks = 3s;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void Note(const std::string& what, Clock::time_point since) {
  std::printf("[e2e] %s after %lld ms\n", what.c_str(), MillisecondsSince(since));
  std::fflush(stdout);
}

// Hoverdeck.exe copied into a folder of its own with the INI it reads beside it.
class Installation {
 public:
  explicit Installation(const std::string& ini)
      : exe_(folder_.File("Hoverdeck.exe").wstring()), ini_(folder_.File("Hoverdeck.ini")) {
    if (!CopyFileW(Wide(HOVERDECK_EXE_PATH).c_str(), exe_.c_str(), FALSE)) {
      throw std::runtime_error("cannot copy Hoverdeck.exe");
    }
    WriteBytes(ini_, ini);
  }

  const std::wstring& exe() const { return exe_; }
  std::wstring folder() const { return folder_.path().wstring(); }
  std::string Ini() const { return ReadBytes(ini_); }

 private:
  TempDir folder_;
  std::wstring exe_;
  std::filesystem::path ini_;
};

// The main window of a running Hoverdeck, once it has one.
HWND WaitForMainWindow(const Program& program) {
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindTopLevel(program.id(), kMainClass)) != nullptr; },
            kStartLimit);
  return window;
}

// A message box of the process showing `text`.
HWND FindMessageBox(DWORD process, const std::wstring& text) {
  for (HWND box : TopLevelWindowsOf(process)) {
    if (ClassOf(box) != kDialogClass || WindowText(box) != kMessageTitle) continue;
    if (!IsWindowVisible(box)) continue;
    if (FindDescendant(box, L"Static", text)) return box;
  }
  return nullptr;
}

HWND WaitForMessageBox(DWORD process, const std::wstring& text) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindMessageBox(process, text)) != nullptr; }, kReactionLimit);
  return box;
}

HWND WaitForDialog(DWORD process, const std::wstring& title) {
  HWND dialog = nullptr;
  // Shown only once its controls hold their texts.
  WaitUntil(
      [&] {
        dialog = FindTopLevel(process, kDialogClass, title);
        return dialog && IsWindowVisible(dialog);
      },
      kReactionLimit);
  return dialog;
}

// Types `answer` into an input box and presses its OK button.
void AnswerInputBox(HWND box, const std::wstring& answer) {
  HWND edit = GetDlgItem(box, kInputEditId);
  ASSERT_NE(edit, nullptr);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer.c_str()));
  ASSERT_EQ(ControlText(edit), answer);
  HWND ok = GetDlgItem(box, IDOK);
  ASSERT_NE(ok, nullptr);
  PostClick(ok);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, kReactionLimit)) << "the box stays open";
}

// The command of "&Use topmost marker on topmost Windows" in the menu bar. The main window
// numbers the bar's items from 1000 in their order, separators left out (Win32MainWindow's
// BuildMenus): &Restore, &Exit, the marker string, this switch, start minimised, About. Wine
// cannot read another process's menus, so the number cannot be looked up by the item's text.
constexpr UINT kMarkerSwitchCommand = 1003;

bool CaptionIs(HWND window, const std::wstring& caption) { return WindowText(window) == caption; }

// ---- 1: the rules at start-up, minimised ----

TEST(HoverdeckExe, RulesOnStart) {
  const std::string ini = CrLfLines({
      "[Configuration]",
      "SetAllTopMost=0",
      "SetTopMostCaption=1",
      "ConstTopMost=\"[PIN] \"",
      "SetAllDisableX=0",
      "Minimized=1",
      // Sorted without regard to case, so the program has no reason to write the file. A
      // rewrite of a section would show: it drops the comment and the empty section.
      "[TopMostWindows]",
      "; the office's rules",
      "Win1=Ledger",
      "chkWin1=1",
      "Win2=notes",
      "chkWin2=0",
      "Win3=Zebra crossing",
      "chkWin3=1",
      "[DisableX]",
  });
  Installation installed(ini);
  OwnerProcess owner({{"spring", "-", L"Ledger - Spring"},
                      {"quarterly", "-", L"Quarterly Ledger report"},
                      {"notes", "-", L"notes - draft"},
                      {"calendar", "-", L"Calendar"},
                      {"lower", "-", L"ledger in lower case"}});
  for (const char* label : {"spring", "quarterly", "notes", "calendar", "lower"}) {
    ASSERT_FALSE(IsTopmost(owner.Hwnd(label))) << label;
  }

  const auto start = Clock::now();
  Program hoverdeck(installed.exe(), L"", installed.folder());
  ASSERT_TRUE(hoverdeck.WaitForIdle(kStartLimit)) << "Hoverdeck did not start";
  const auto idle = Clock::now();
  Note("Hoverdeck waits for input", start);

  HWND spring = owner.Hwnd("spring");
  HWND quarterly = owner.Hwnd("quarterly");
  const bool enforced = WaitUntil(
      [&] {
        return IsTopmost(spring) && IsTopmost(quarterly) &&
               CaptionIs(spring, L"[PIN] Ledger - Spring") &&
               CaptionIs(quarterly, L"[PIN] Quarterly Ledger report");
      },
      kTwoTicks);
  Note("checked rule enforced", idle);
  EXPECT_TRUE(enforced) << "within two ticks: topmost " << IsTopmost(spring) << "/"
                        << IsTopmost(quarterly) << ", captions '" << Narrow(WindowText(spring))
                        << "', '" << Narrow(WindowText(quarterly)) << "'";
  // The owning process sees the new captions too: they were set, not just reported.
  EXPECT_EQ(owner.OwnCaption("spring"), L"[PIN] Ledger - Spring");
  EXPECT_EQ(owner.OwnCaption("quarterly"), L"[PIN] Quarterly Ledger report");

  // Another tick later, the windows no rule asks for are as they were: an unchecked rule, no
  // rule at all, a caption that differs only in case.
  std::this_thread::sleep_for(1200ms);
  const std::pair<const char*, const wchar_t*> untouched[] = {
      {"notes", L"notes - draft"}, {"calendar", L"Calendar"}, {"lower", L"ledger in lower case"}};
  for (const auto& [label, caption] : untouched) {
    EXPECT_FALSE(IsTopmost(owner.Hwnd(label))) << label;
    EXPECT_EQ(WindowText(owner.Hwnd(label)), caption) << label;
  }
  // The marker is put on once, not once per tick.
  EXPECT_EQ(WindowText(spring), L"[PIN] Ledger - Spring");

  EXPECT_EQ(installed.Ini(), ini) << "the INI was rewritten";

  HWND main = FindTopLevel(hoverdeck.id(), kMainClass);
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(IsWindowVisible(main)) << "started minimised, the window stays in the tray";
  EXPECT_EQ(WindowText(main).rfind(L"Hoverdeck 1.1h; ", 0), 0u) << Narrow(WindowText(main));
  EXPECT_TRUE(hoverdeck.Running());
}

// ---- 2: worked through its own window ----

TEST(HoverdeckExe, DrivingTheWindow) {
  const std::string ini = CrLfLines({
      "[Configuration]",
      "SetAllTopMost=0",
      "SetTopMostCaption=0",
      "SetAllDisableX=0",
      "Minimized=0",
      "[TopMostWindows]",
      "[DisableX]",
  });
  Installation installed(ini);
  OwnerProcess owner({{"invoice", "-", L"Invoice 42 - Editor"}, {"calendar", "-", L"Calendar"}});
  HWND invoice = owner.Hwnd("invoice");
  HWND calendar = owner.Hwnd("calendar");

  const auto start = Clock::now();
  Program hoverdeck(installed.exe(), L"", installed.folder());
  ASSERT_TRUE(hoverdeck.WaitForIdle(kStartLimit)) << "Hoverdeck did not start";
  HWND main = WaitForMainWindow(hoverdeck);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kReactionLimit))
      << "not minimised, the window shows";
  Note("main window shown", start);

  // The first frame: the topmost rules, its list and its buttons.
  HWND frame = nullptr;
  for (HWND child : ChildrenOfClass(main, L"Button")) {
    if (WindowText(child).rfind(L"1-", 0) == 0) frame = child;
  }
  ASSERT_NE(frame, nullptr) << "no first frame";
  const std::vector<HWND> catalogues = ChildrenOfClass(frame, L"ListBox");
  ASSERT_EQ(catalogues.size(), 1u);
  HWND catalogue = catalogues.front();
  // The program replaces its INI by renaming a new file over it, which fails while another
  // process holds the file open: the file is read only once the program has shown the result
  // of the write it makes before it, never polled.
  const auto catalogue_shows = [&](const std::vector<std::wstring>& texts) {
    return WaitUntil([&] { return ListBoxTexts(catalogue) == texts; }, kReactionLimit);
  };

  // The Configuration menu's marker switch, written at once. Sent, not posted: it opens no box,
  // and the answer comes once the handler has written the file.
  {
    SCOPED_TRACE("marker switch");
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(kMarkerSwitchCommand, 0), 0,
                                    SMTO_ABORTIFHUNG, 10'000, &ignored));
    const std::string now = installed.Ini();
    EXPECT_EQ(IniValue(now, "Configuration", "SetTopMostCaption"), "1") << now;
    EXPECT_EQ(IniValue(now, "Configuration", "Minimized"), "0") << now;
  }

  // A double click on the helper's entry among the non-topmost windows.
  {
    SCOPED_TRACE("double click");
    // The window's own list of other windows is the list box right on it (the others sit in
    // frames).
    const std::vector<HWND> lists = ChildrenOfClass(main, L"ListBox");
    ASSERT_EQ(lists.size(), 1u);
    HWND non_topmost = lists.front();
    int index = -1;
    ASSERT_TRUE(WaitUntil(
        [&] {
          const auto texts = ListBoxTexts(non_topmost);
          for (std::size_t i = 0; i < texts.size(); ++i) {
            if (texts[i] == L"Invoice 42 - Editor") index = static_cast<int>(i);
          }
          return index >= 0;
        },
        kReactionLimit))
        << "the helper window is not listed";
    ASSERT_TRUE(PostDoubleClickOnEntry(non_topmost, index));
    const auto clicked = Clock::now();

    EXPECT_TRUE(WaitUntil([&] { return IsTopmost(invoice); }, kReactionLimit));
    HWND offer = WaitForDialog(hoverdeck.id(), kOfferTitle);
    ASSERT_NE(offer, nullptr) << "no input box offers a rule";
    Note("offer box up", clicked);
    EXPECT_TRUE(IsTopmost(invoice)) << "made topmost before the offer";
    EXPECT_FALSE(IsTopmost(calendar));
    EXPECT_EQ(ControlText(GetDlgItem(offer, kInputEditId)), L"Invoice 42")
        << "the caption up to \" -\" is offered";
    EXPECT_NE(ControlText(GetDlgItem(offer, kInputPromptId)).find(L"'Invoice 42 - Editor'"),
              std::wstring::npos);
    AnswerInputBox(offer, L"Invoice");
    ASSERT_TRUE(catalogue_shows({L"Invoice"})) << "the answer did not become a rule";
    const std::string now = installed.Ini();
    EXPECT_EQ(IniSection(now, "TopMostWindows"), (IniLines{{"Win1", "Invoice"}, {"chkWin1", "1"}}))
        << now;
  }

  // With the marker switched on, the now topmost helper gets it on a following tick.
  EXPECT_TRUE(WaitUntil([&] { return CaptionIs(invoice, L"[TOPMOST] Invoice 42 - Editor"); },
                        kTwoTicks))
      << Narrow(WindowText(invoice));
  EXPECT_EQ(WindowText(calendar), L"Calendar");

  // "Add" in the first frame: a new string, sorted in without regard to case.
  {
    SCOPED_TRACE("add");
    HWND add = FindDescendant(frame, L"Button", L"Add");
    ASSERT_NE(add, nullptr);
    PostClick(add);
    HWND box = WaitForDialog(hoverdeck.id(), kEditTitle);
    ASSERT_NE(box, nullptr) << "no input box for the new string";
    EXPECT_EQ(ControlText(GetDlgItem(box, kInputEditId)), L"");
    AnswerInputBox(box, L"agenda");
    ASSERT_TRUE(catalogue_shows({L"agenda", L"Invoice"}))
        << "the list shows " << ListBoxTexts(catalogue).size() << " strings";
    const std::string now = installed.Ini();
    EXPECT_EQ(IniSection(now, "TopMostWindows"),
              (IniLines{{"Win1", "agenda"}, {"chkWin1", "1"}, {"Win2", "Invoice"},
                        {"chkWin2", "1"}}))
        << now;
  }

  // Quitting asks first; Yes ends the program, and the windows keep what it did to them.
  {
    SCOPED_TRACE("quit");
    const std::wstring invoice_caption = WindowText(invoice);
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND question = WaitForMessageBox(hoverdeck.id(), L"Do you really want to quit Hoverdeck ?");
    ASSERT_NE(question, nullptr) << "no question before quitting";
    EXPECT_TRUE(hoverdeck.Running());
    HWND yes = GetDlgItem(question, IDYES);
    ASSERT_NE(yes, nullptr);
    PostClick(yes);
    EXPECT_EQ(hoverdeck.WaitForExit(kReactionLimit), std::optional<DWORD>(0));

    EXPECT_TRUE(IsTopmost(invoice));
    EXPECT_EQ(WindowText(invoice), invoice_caption);
    EXPECT_FALSE(IsTopmost(calendar));
    EXPECT_EQ(WindowText(calendar), L"Calendar");
    // Everything written along the way is still there.
    const std::string last = installed.Ini();
    EXPECT_EQ(IniValue(last, "Configuration", "SetTopMostCaption"), "1") << last;
    EXPECT_EQ(IniSection(last, "TopMostWindows").size(), 4u) << last;
  }
}

// ---- 3: one instance at a time ----

TEST(HoverdeckExe, SecondInstance) {
  Installation installed(CrLfLines({"[Configuration]", "Minimized=0", "[TopMostWindows]",
                                    "[DisableX]"}));
  Program first(installed.exe(), L"", installed.folder());
  ASSERT_TRUE(first.WaitForIdle(kStartLimit));
  ASSERT_NE(WaitForMainWindow(first), nullptr);

  {
    SCOPED_TRACE("plain second start");
    const auto start = Clock::now();
    Program second(installed.exe(), L"", installed.folder());
    HWND box = WaitForMessageBox(second.id(), L"Program already running");
    ASSERT_NE(box, nullptr) << "no notice from the second instance";
    Note("notice up", start);
    // It says so and nothing more: no window of its own shows.
    for (HWND window : TopLevelWindowsOf(second.id())) {
      if (window != box && IsWindowVisible(window)) {
        ADD_FAILURE() << "visible window " << Narrow(ClassOf(window)) << " '"
                      << Narrow(WindowText(window)) << "'";
      }
    }
    EXPECT_TRUE(second.Running()) << "ended before the notice was answered";
    PostClick(GetDlgItem(box, IDOK));
    EXPECT_EQ(second.WaitForExit(kReactionLimit), std::optional<DWORD>(0));
  }

  {
    SCOPED_TRACE("silent second start");
    const auto start = Clock::now();
    Program silent(installed.exe(), L"-s", installed.folder());
    bool showed = false;
    std::optional<DWORD> code;
    WaitUntil(
        [&] {
          for (HWND window : TopLevelWindowsOf(silent.id())) {
            if (IsWindowVisible(window)) showed = true;
          }
          code = silent.WaitForExit(0ms);
          return code.has_value();
        },
        kReactionLimit);
    Note("silent start ended", start);
    EXPECT_EQ(code, std::optional<DWORD>(0)) << "it should end at once";
    EXPECT_FALSE(showed) << "a window showed";
  }

  EXPECT_TRUE(first.Running()) << "the first instance went away";
  HWND main = FindTopLevel(first.id(), kMainClass);
  EXPECT_TRUE(main && IsWindowVisible(main));
}

// ---- 4: the copy an installer put in place (tests/package/windows.sh installs it first) ----

TEST(HoverdeckExe, InstalledCopyWritesItsSettingsBesideIt) {
  if (_wgetenv(L"HOVERDECK_INSTALLED") == nullptr) GTEST_SKIP() << "needs an installed copy";
  wchar_t local[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
  const std::filesystem::path folder = std::filesystem::path(local) / L"Programs" / L"Hoverdeck";
  Program hoverdeck((folder / L"Hoverdeck.exe").wstring(), L"", folder.wstring());
  ASSERT_TRUE(hoverdeck.WaitForIdle(kStartLimit)) << "the installed Hoverdeck did not start";
  HWND main = WaitForMainWindow(hoverdeck);
  ASSERT_NE(main, nullptr);
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(kMarkerSwitchCommand, 0), 0,
                                  SMTO_ABORTIFHUNG, 10'000, &ignored));
  const std::string ini = ReadBytes(folder / L"Hoverdeck.ini");
  EXPECT_EQ(IniValue(ini, "Configuration", "SetTopMostCaption"), "1") << ini;
}

}  // namespace
}  // namespace hoverdeck::e2e
