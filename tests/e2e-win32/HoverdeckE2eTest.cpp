// The real Hoverdeck.exe from outside: copies of it beside prepared INI files, windows of another
// process to work on, and the program worked through its own windows the way a user would.
// Another process's system menu is out of reach under Wine, so the close-button rules stay with
// the adapter's tests.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Win32Harness.h"
#include "app/ConfigFile.h"
#include "platform/win32/WideText.h"
// After the Win32 headers.
#include <shlobj.h>

#include "support/TempDir.h"

namespace hoverdeck::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr wchar_t kMainClass[] = L"HoverdeckMainWindow";
constexpr wchar_t kDialogClass[] = L"#32770";
// The input box's prompt and edit, as the program's dialog template numbers them.
constexpr int kInputPromptId = 100;
constexpr int kInputEditId = 101;
// "&Use topmost marker on topmost Windows": the main window numbers its menu bar's items from
// 1000 in their order, separators left out (&Restore, &Exit, the marker string, this switch).
// Wine cannot read another process's menus, so it cannot be looked up by its text.
constexpr UINT kMarkerSwitchCommand = 1003;
// Start-up under Wine, a box coming up, a file written: all polled.
constexpr auto kStartLimit = 30s;
// Two ticks of the one-second refresh and some slack.
constexpr auto kTwoTicks = 3s;

void Note(const std::string& what, Clock::time_point since) {
  std::printf("[e2e] %s after %lld ms\n", what.c_str(),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         Clock::now() - since)
                                         .count()));
}

// Hoverdeck.exe copied into a folder of its own with the INI (given as lines) beside it.
class Installation {
 public:
  explicit Installation(const std::vector<std::string>& lines) {
    if (!CopyFileW(win32::Widen(HOVERDECK_EXE_PATH).c_str(), exe().c_str(), FALSE)) {
      throw std::runtime_error("cannot copy Hoverdeck.exe");
    }
    for (const std::string& line : lines) ini_ += line + "\r\n";
    WriteBytes(Ini(), ini_);
  }
  std::wstring exe() const { return folder_.File("Hoverdeck.exe").wstring(); }
  std::filesystem::path Ini() const { return folder_.File("Hoverdeck.ini"); }
  std::string Read(const char* section, const std::string& key) const {
    return ConfigFile(Ini()).Read(section, key);
  }
  Program Start(const std::wstring& arguments = L"") const {
    return Program(exe(), arguments, folder_.path().wstring());
  }
  const std::string& ini() const { return ini_; }

 private:
  TempDir folder_;
  std::string ini_;
};

// A visible message box of the process showing `text`.
HWND WaitForMessageBox(DWORD process, const std::string& text) {
  HWND found = nullptr;
  WaitUntil([&] {
    for (HWND box : TopLevelWindowsOf(process)) {
      if (ClassOf(box) == kDialogClass && WindowText(box) == "Hoverdeck - 1.1h" &&
          IsWindowVisible(box) && FindDescendant(box, L"Static", text)) {
        found = box;
      }
    }
    return found != nullptr;
  });
  return found;
}

// A dialog of the process with that title, once shown (only once its controls hold their texts).
HWND WaitForDialog(DWORD process, const std::string& title) {
  HWND dialog = nullptr;
  WaitUntil([&] {
    dialog = FindTopLevel(process, kDialogClass, title);
    return dialog && IsWindowVisible(dialog);
  });
  return dialog;
}

// Types `answer` into an input box and presses its OK button.
void AnswerInputBox(HWND box, const std::string& answer) {
  HWND edit = GetDlgItem(box, kInputEditId);
  ASSERT_NE(edit, nullptr);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(win32::Widen(answer).c_str()));
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the box stays open";
}

// Posts a left double click on an entry of a list box, as the mouse sends it (posted: it may open
// a modal box). The entry's place comes from its height: no pointer crosses processes.
bool PostDoubleClickOnEntry(HWND list, int index) {
  const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  if (height <= 0 || top < 0 || index < top) return false;
  const LPARAM at = MAKELPARAM(8, static_cast<LONG>((index - top) * height + height / 2));
  return PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at) &&
         PostMessageW(list, WM_LBUTTONUP, 0, at) &&
         PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at) &&
         PostMessageW(list, WM_LBUTTONUP, 0, at);
}

TEST(HoverdeckExe, RulesOnStart) {
  // Sorted without regard to case, so the program has no reason to write the file; a rewrite
  // would show, since it drops the comment and the empty section.
  const Installation installed({"[Configuration]", "SetAllTopMost=0", "SetTopMostCaption=1",
                                "ConstTopMost=\"[PIN] \"", "SetAllDisableX=0", "Minimized=1",
                                "[TopMostWindows]", "; the office's rules", "Win1=Ledger",
                                "chkWin1=1", "Win2=notes", "chkWin2=0", "Win3=Zebra crossing",
                                "chkWin3=1", "[DisableX]"});
  OwnerProcess owner({{"spring", "-", L"Ledger - Spring"},
                      {"quarterly", "-", L"Quarterly Ledger report"},
                      {"notes", "-", L"notes - draft"},
                      {"calendar", "-", L"Calendar"},
                      {"lower", "-", L"ledger in lower case"}});
  const auto start = Clock::now();
  Program hoverdeck = installed.Start();
  ASSERT_TRUE(hoverdeck.WaitForIdle(kStartLimit)) << "Hoverdeck did not start";
  const auto idle = Clock::now();
  Note("Hoverdeck waits for input", start);

  HWND spring = owner.Hwnd("spring");
  HWND quarterly = owner.Hwnd("quarterly");
  EXPECT_TRUE(WaitUntil(
      [&] {
        return IsTopmost(spring) && IsTopmost(quarterly) &&
               WindowText(spring) == "[PIN] Ledger - Spring" &&
               WindowText(quarterly) == "[PIN] Quarterly Ledger report";
      },
      kTwoTicks))
      << "within two ticks: '" << WindowText(spring) << "', '" << WindowText(quarterly) << "'";
  Note("checked rule enforced", idle);
  // The owning process sees the new caption: it was set, not just reported.
  EXPECT_EQ(owner.OwnCaption("quarterly"), L"[PIN] Quarterly Ledger report");

  // Another tick later the marker is still there once, and the windows no rule asks for (an
  // unchecked rule, no rule, a caption that differs only in case) are as they were.
  std::this_thread::sleep_for(1200ms);
  EXPECT_EQ(WindowText(spring), "[PIN] Ledger - Spring");
  for (const char* label : {"notes", "calendar", "lower"}) {
    EXPECT_FALSE(IsTopmost(owner.Hwnd(label))) << label;
    EXPECT_EQ(WindowText(owner.Hwnd(label)).find("[PIN]"), std::string::npos) << label;
  }
  EXPECT_EQ(ReadBytes(installed.Ini()), installed.ini()) << "the INI was rewritten";
  HWND main = FindTopLevel(hoverdeck.id(), kMainClass);
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(IsWindowVisible(main)) << "started minimised, the window stays in the tray";
  EXPECT_EQ(WindowText(main).rfind("Hoverdeck 1.1h; ", 0), 0u) << WindowText(main);
}

TEST(HoverdeckExe, DrivingTheWindow) {
  const Installation installed({"[Configuration]", "SetAllTopMost=0", "SetTopMostCaption=0",
                                "SetAllDisableX=0", "Minimized=0", "[TopMostWindows]",
                                "[DisableX]"});
  OwnerProcess owner({{"invoice", "-", L"Invoice 42 - Editor"}, {"calendar", "-", L"Calendar"}});
  HWND invoice = owner.Hwnd("invoice");
  HWND calendar = owner.Hwnd("calendar");
  Program hoverdeck = installed.Start();
  ASSERT_TRUE(hoverdeck.WaitForIdle(kStartLimit)) << "Hoverdeck did not start";
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    main = FindTopLevel(hoverdeck.id(), kMainClass);
    return main && IsWindowVisible(main);
  })) << "not minimised, the window shows";

  // The first frame holds the topmost rules' list and buttons; the window's own list of other
  // windows is the one list box right on it.
  HWND frame = nullptr;
  for (HWND child : ChildrenOfClass(main, L"Button")) {
    if (WindowText(child).starts_with("1-")) frame = child;
  }
  ASSERT_NE(frame, nullptr) << "no first frame";
  const std::vector<HWND> catalogues = ChildrenOfClass(frame, L"ListBox");
  const std::vector<HWND> lists = ChildrenOfClass(main, L"ListBox");
  ASSERT_EQ(catalogues.size(), 1u);
  ASSERT_EQ(lists.size(), 1u);
  // The program replaces its INI by renaming a new file over it, which fails while another
  // process holds the file open: the file is read only once the window shows the write's result.
  const auto catalogue_shows = [&](const std::vector<std::string>& texts) {
    return WaitUntil([&] { return ListBoxTexts(catalogues[0]) == texts; });
  };

  // The marker switch is written at once. Sent, not posted: the answer comes once written.
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(kMarkerSwitchCommand, 0), 0,
                                  SMTO_ABORTIFHUNG, 10'000, &ignored));
  EXPECT_EQ(installed.Read("Configuration", "SetTopMostCaption"), "1");
  EXPECT_EQ(installed.Read("Configuration", "Minimized"), "0");

  // A double click on the helper's entry makes it topmost, then offers a rule.
  int index = -1;
  ASSERT_TRUE(WaitUntil([&] {
    const auto texts = ListBoxTexts(lists[0]);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (texts[i] == "Invoice 42 - Editor") index = static_cast<int>(i);
    }
    return index >= 0;
  })) << "the helper window is not listed";
  ASSERT_TRUE(PostDoubleClickOnEntry(lists[0], index));
  HWND offer = WaitForDialog(hoverdeck.id(), "Hoverdeck");
  ASSERT_NE(offer, nullptr) << "no input box offers a rule";
  EXPECT_TRUE(IsTopmost(invoice)) << "made topmost before the offer";
  EXPECT_FALSE(IsTopmost(calendar));
  EXPECT_EQ(ControlText(GetDlgItem(offer, kInputEditId)), "Invoice 42");
  EXPECT_NE(ControlText(GetDlgItem(offer, kInputPromptId)).find("'Invoice 42 - Editor'"),
            std::string::npos);
  AnswerInputBox(offer, "Invoice");
  ASSERT_TRUE(catalogue_shows({"Invoice"})) << "the answer did not become a rule";
  EXPECT_EQ(installed.Read("TopMostWindows", "Win1"), "Invoice");

  // With the marker switched on, the now topmost helper gets it on a following tick.
  EXPECT_TRUE(
      WaitUntil([&] { return WindowText(invoice) == "[TOPMOST] Invoice 42 - Editor"; }, kTwoTicks))
      << WindowText(invoice);
  EXPECT_EQ(WindowText(calendar), "Calendar");

  // "Add" in the first frame: a new string, sorted in without regard to case.
  HWND add = FindDescendant(frame, L"Button", "Add");
  ASSERT_NE(add, nullptr);
  PostMessageW(add, BM_CLICK, 0, 0);
  HWND box = WaitForDialog(hoverdeck.id(), "Hoverdeck 1.1h");
  ASSERT_NE(box, nullptr) << "no input box for the new string";
  AnswerInputBox(box, "agenda");
  ASSERT_TRUE(catalogue_shows({"agenda", "Invoice"}));
  EXPECT_EQ(installed.Read("TopMostWindows", "Win1"), "agenda");
  EXPECT_EQ(installed.Read("TopMostWindows", "Win2"), "Invoice");
  EXPECT_EQ(installed.Read("TopMostWindows", "chkWin2"), "1");

  // Quitting asks first; Yes ends the program, and the windows keep what it did to them.
  PostMessageW(main, WM_CLOSE, 0, 0);
  HWND question = WaitForMessageBox(hoverdeck.id(), "Do you really want to quit Hoverdeck ?");
  ASSERT_NE(question, nullptr) << "no question before quitting";
  EXPECT_TRUE(hoverdeck.Running());
  PostMessageW(GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
  EXPECT_EQ(hoverdeck.WaitForExit(10s), std::optional<DWORD>(0));
  EXPECT_TRUE(IsTopmost(invoice));
  EXPECT_EQ(WindowText(invoice), "[TOPMOST] Invoice 42 - Editor");
  EXPECT_EQ(installed.Read("Configuration", "SetTopMostCaption"), "1");
}

TEST(HoverdeckExe, SecondInstance) {
  const Installation installed({"[Configuration]", "Minimized=0", "[TopMostWindows]",
                                "[DisableX]"});
  Program first = installed.Start();
  ASSERT_TRUE(first.WaitForIdle(kStartLimit));
  ASSERT_TRUE(WaitUntil([&] { return FindTopLevel(first.id(), kMainClass) != nullptr; }));

  // A plain second start says so and nothing more: no window of its own shows.
  Program second = installed.Start();
  HWND box = WaitForMessageBox(second.id(), "Program already running");
  ASSERT_NE(box, nullptr) << "no notice from the second instance";
  for (HWND window : TopLevelWindowsOf(second.id())) {
    EXPECT_TRUE(window == box || !IsWindowVisible(window)) << WindowText(window);
  }
  EXPECT_TRUE(second.Running()) << "ended before the notice was answered";
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(second.WaitForExit(10s), std::optional<DWORD>(0));

  // A silent one ends at once without showing any window.
  Program silent = installed.Start(L"-s");
  bool showed = false;
  std::optional<DWORD> code;
  WaitUntil([&] {
    for (HWND window : TopLevelWindowsOf(silent.id())) showed |= IsWindowVisible(window) != 0;
    return (code = silent.WaitForExit(0ms)).has_value();
  });
  EXPECT_EQ(code, std::optional<DWORD>(0));
  EXPECT_FALSE(showed) << "a window showed";

  EXPECT_TRUE(first.Running()) << "the first instance went away";
  HWND main = FindTopLevel(first.id(), kMainClass);
  EXPECT_TRUE(main && IsWindowVisible(main));
}

// The copy an installer put in place (tests/package/windows.sh installs it first).
TEST(HoverdeckExe, InstalledCopyWritesItsSettingsBesideIt) {
  if (_wgetenv(L"HOVERDECK_INSTALLED") == nullptr) GTEST_SKIP() << "needs an installed copy";
  wchar_t local[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
  const std::filesystem::path folder = std::filesystem::path(local) / L"Programs" / L"Hoverdeck";
  Program hoverdeck((folder / L"Hoverdeck.exe").wstring(), L"", folder.wstring());
  ASSERT_TRUE(hoverdeck.WaitForIdle(kStartLimit)) << "the installed Hoverdeck did not start";
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (main = FindTopLevel(hoverdeck.id(), kMainClass)) != nullptr; }));
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(kMarkerSwitchCommand, 0), 0,
                                  SMTO_ABORTIFHUNG, 10'000, &ignored));
  EXPECT_EQ(ConfigFile(folder / L"Hoverdeck.ini").Read("Configuration", "SetTopMostCaption"), "1");
}

}  // namespace
}  // namespace hoverdeck::testing
