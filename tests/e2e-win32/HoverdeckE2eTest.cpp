// The real Hoverdeck.exe from outside: copies of it beside prepared INI files, windows of another
// process to work on, and the program worked through its own windows as a user would. Another
// process's system menu is out of reach under Wine: the close-button rules stay with the
// adapter's tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "Win32Harness.h"
#include "app/ConfigFile.h"
#include "platform/win32/WideText.h"
// After the Win32 headers.
#include <shlobj.h>

#include "support/TempDir.h"

namespace hoverdeck::testing {
namespace {

constexpr wchar_t kMainClass[] = L"HoverdeckMainWindow";
constexpr wchar_t kDialogClass[] = L"#32770";
// The input box's prompt and edit, as the program's dialog template numbers them.
constexpr int kInputPromptId = 100;
constexpr int kInputEditId = 101;
// "&Use topmost marker on topmost Windows": the menu bar's items are numbered from 1000 in
// their order, separators left out. Wine cannot read another process's menus.
constexpr UINT kMarkerSwitchCommand = 1003;
constexpr auto kStartLimit = 30s;  // start-up under Wine
constexpr auto kTwoTicks = 3s;     // two ticks of the one-second refresh and some slack

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

// The program's main window once it is there (and shown, when asked); nullptr after 10 s.
HWND MainWindow(Program& program, bool shown) {
  EXPECT_TRUE(program.WaitForIdle(kStartLimit)) << "Hoverdeck did not start";
  HWND main = nullptr;
  WaitUntil([&] {
    main = FindIn(TopLevelWindowsOf(program.id()), kMainClass);
    return main && (!shown || IsWindowVisible(main));
  });
  return main;
}

// A shown dialog of the process with that title and, when given, a static with that text.
HWND WaitForBox(DWORD process, const std::wstring& title, const wchar_t* text = nullptr) {
  HWND found = nullptr;
  WaitUntil([&] {
    for (HWND box : TopLevelWindowsOf(process)) {
      if (ClassOf(box) == kDialogClass && ControlText(box) == title && IsWindowVisible(box) &&
          (!text || FindIn(ChildrenOf(box), L"Static", text))) {
        found = box;
      }
    }
    return found != nullptr;
  });
  return found;
}

// Types `answer` into an input box and presses its OK button.
void AnswerInputBox(HWND box, const std::string& answer) {
  SendMessageW(GetDlgItem(box, kInputEditId), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(win32::Widen(answer).c_str()));
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the box stays open";
}

// Sent, not posted: the answer comes once the setting is written.
void SwitchMarker(HWND main) {
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(kMarkerSwitchCommand, 0), 0,
                                  SMTO_ABORTIFHUNG, 10'000, &ignored));
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
  Program hoverdeck = installed.Start();
  HWND main = MainWindow(hoverdeck, false);
  ASSERT_NE(main, nullptr);
  HWND spring = owner.Hwnd("spring");
  HWND quarterly = owner.Hwnd("quarterly");
  // Set in the owning process, not just reported.
  EXPECT_TRUE(WaitUntil(
      [&] {
        return IsTopmost(spring) && IsTopmost(quarterly) &&
               ControlText(spring) == L"[PIN] Ledger - Spring" &&
               ControlText(quarterly) == L"[PIN] Quarterly Ledger report";
      },
      kTwoTicks))
      << "within two ticks: '" << WindowText(spring) << "', '" << WindowText(quarterly) << "'";
  // Another tick later the marker is still there once, and the windows no rule asks for (an
  // unchecked rule, no rule, a caption that differs only in case) are as they were.
  std::this_thread::sleep_for(1200ms);
  EXPECT_EQ(WindowText(spring), "[PIN] Ledger - Spring");
  for (const char* label : {"notes", "calendar", "lower"}) {
    EXPECT_FALSE(IsTopmost(owner.Hwnd(label))) << label;
    EXPECT_EQ(WindowText(owner.Hwnd(label)).find("[PIN]"), std::string::npos) << label;
  }
  EXPECT_EQ(ReadBytes(installed.Ini()), installed.ini()) << "the INI was rewritten";
  EXPECT_FALSE(IsWindowVisible(main)) << "started minimised, the window stays in the tray";
  EXPECT_EQ(WindowText(main).rfind("Hoverdeck 1.1h; ", 0), 0u) << WindowText(main);
}

TEST(HoverdeckExe, DrivingTheWindow) {
  const Installation installed({"[Configuration]", "SetTopMostCaption=0", "Minimized=0"});
  OwnerProcess owner({{"invoice", "-", L"Invoice 42 - Editor"}, {"calendar", "-", L"Calendar"}});
  HWND invoice = owner.Hwnd("invoice");
  HWND calendar = owner.Hwnd("calendar");
  Program hoverdeck = installed.Start();
  HWND main = MainWindow(hoverdeck, true);
  ASSERT_NE(main, nullptr) << "not minimised, the window shows";
  // The first frame holds the topmost rules' list and buttons; the window's own list of other
  // windows is the one list box right on it.
  HWND frame = nullptr;
  for (HWND child : ChildrenOf(main)) {
    if (ClassOf(child) == L"Button" && WindowText(child).starts_with("1-")) frame = child;
  }
  ASSERT_NE(frame, nullptr) << "no first frame";
  HWND catalogue = FindIn(ChildrenOf(frame), L"ListBox");
  HWND list = FindIn(ChildrenOf(main), L"ListBox");
  ASSERT_TRUE(catalogue && list);
  SwitchMarker(main);
  EXPECT_EQ(installed.Read("Configuration", "SetTopMostCaption"), "1");
  EXPECT_EQ(installed.Read("Configuration", "Minimized"), "0");

  // A double click on the helper's entry makes it topmost, then offers a rule. Posted as the
  // mouse sends it (it opens a modal box); the entry's place comes from its height.
  int index = -1;
  ASSERT_TRUE(WaitUntil([&] {
    const auto texts = ListBoxTexts(list);
    index = static_cast<int>(std::ranges::find(texts, "Invoice 42 - Editor") - texts.begin());
    return index < static_cast<int>(texts.size());
  })) << "the helper window is not listed";
  const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  const LRESULT first = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  const LPARAM at = MAKELPARAM(8, static_cast<LONG>((index - first) * height + height / 2));
  for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
    PostMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
  }
  HWND offer = WaitForBox(hoverdeck.id(), L"Hoverdeck");
  ASSERT_NE(offer, nullptr) << "no input box offers a rule";
  EXPECT_TRUE(IsTopmost(invoice)) << "made topmost before the offer";
  EXPECT_FALSE(IsTopmost(calendar));
  EXPECT_EQ(ControlText(GetDlgItem(offer, kInputEditId)), L"Invoice 42");
  EXPECT_NE(ControlText(GetDlgItem(offer, kInputPromptId)).find(L"'Invoice 42 - Editor'"),
            std::wstring::npos);
  AnswerInputBox(offer, "Invoice");
  // The program replaces its INI by renaming a new file over it, which fails while another
  // process holds the file open: the file is read only once the window shows the write's result.
  ASSERT_TRUE(WaitUntil([&] { return ListBoxTexts(catalogue) == std::vector<std::string>{"Invoice"}; }))
      << "the answer did not become a rule";
  EXPECT_EQ(installed.Read("TopMostWindows", "Win1"), "Invoice");
  EXPECT_EQ(installed.Read("TopMostWindows", "chkWin1"), "1");
  // With the marker switched on, the now topmost helper gets it on a following tick.
  EXPECT_TRUE(WaitUntil([&] { return WindowText(invoice) == "[TOPMOST] Invoice 42 - Editor"; },
                        kTwoTicks))
      << WindowText(invoice);
  EXPECT_EQ(WindowText(calendar), "Calendar");

  // Quitting asks first; Yes ends the program, and the windows keep what it did to them.
  PostMessageW(main, WM_CLOSE, 0, 0);
  HWND question = WaitForBox(hoverdeck.id(), L"Hoverdeck - 1.1h",
                             L"Do you really want to quit Hoverdeck ?");
  ASSERT_NE(question, nullptr) << "no question before quitting";
  EXPECT_TRUE(hoverdeck.Running());
  PostMessageW(GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
  EXPECT_EQ(hoverdeck.WaitForExit(10s), std::optional<DWORD>(0));
  EXPECT_TRUE(IsTopmost(invoice));
  EXPECT_EQ(WindowText(invoice), "[TOPMOST] Invoice 42 - Editor");
}

TEST(HoverdeckExe, SecondInstance) {
  const Installation installed({"[Configuration]", "Minimized=0"});
  Program first = installed.Start();
  ASSERT_NE(MainWindow(first, true), nullptr);
  // A plain second start says so and nothing more: no window of its own shows.
  Program second = installed.Start();
  HWND box = WaitForBox(second.id(), L"Hoverdeck - 1.1h", L"Program already running");
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
  EXPECT_TRUE(IsWindowVisible(FindIn(TopLevelWindowsOf(first.id()), kMainClass)));
}

// The copy an installer put in place (tests/package/windows.sh installs it first).
TEST(HoverdeckExe, InstalledCopyWritesItsSettingsBesideIt) {
  if (_wgetenv(L"HOVERDECK_INSTALLED") == nullptr) GTEST_SKIP() << "needs an installed copy";
  wchar_t local[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
  const std::filesystem::path folder = std::filesystem::path(local) / L"Programs" / L"Hoverdeck";
  Program hoverdeck((folder / L"Hoverdeck.exe").wstring(), L"", folder.wstring());
  HWND main = MainWindow(hoverdeck, false);
  ASSERT_NE(main, nullptr);
  SwitchMarker(main);
  EXPECT_EQ(ConfigFile(folder / L"Hoverdeck.ini").Read("Configuration", "SetTopMostCaption"), "1");
}

}  // namespace
}  // namespace hoverdeck::testing
