// The real Hoverdeck.exe worked through its own windows, on windows of another process.
#include <gtest/gtest.h>

#include <algorithm>

#include "Win32Harness.h"
#include "app/ConfigFile.h"
#include "platform/win32/WideText.h"
#include "support/TempDir.h"
#include "ui/win32/Win32Dialogs.h"
// After the Win32 headers.
#include <shlobj.h>

namespace hoverdeck::testing {
namespace {

constexpr wchar_t kMainClass[] = L"HoverdeckMainWindow";
// The marker switch: menu bar items count from 1000 without separators.
constexpr UINT kMarkerSwitchCommand = 1003;

// Hoverdeck.exe copied into a folder of its own with the INI beside it, or the installed copy.
struct Installation {
  explicit Installation(const std::string& ini) {
    EXPECT_TRUE(CopyFileW(win32::Widen(HOVERDECK_EXE_PATH).c_str(), exe.c_str(), FALSE));
    WriteBytes(folder.path() / "Hoverdeck.ini", ini);
  }
  Installation(const std::filesystem::path& installed, bool) : folder_path(installed) {}
  std::string Read(const char* section, const char* key) const {
    return ConfigFile(folder_path / "Hoverdeck.ini").Read(section, key);
  }
  // Starts it and waits for its main window (shown, when asked).
  HWND Start(std::optional<Program>& program, bool shown) const {
    program.emplace(exe, L"", folder_path.wstring());
    if (!program->WaitForIdle(30s)) throw std::runtime_error("Hoverdeck did not start");
    HWND main = nullptr;
    const auto there = [&] { return (main = FindTopLevel(program->id(), kMainClass)) != nullptr; };
    if (!WaitUntil([&] { return there() && (!shown || IsWindowVisible(main)); }, 30s)) {
      throw std::runtime_error("Hoverdeck did not start");
    }
    return main;
  }
  TempDir folder;
  std::filesystem::path folder_path = folder.path();
  std::wstring exe = (folder_path / "Hoverdeck.exe").wstring();
};

// A shown dialog of the process with that title and, when given, a static with that text.
HWND WaitForBox(DWORD process, const wchar_t* title, const wchar_t* text = nullptr) {
  HWND found = nullptr;
  WaitUntil([&] {
    found = FindTopLevel(process, L"#32770", title);
    return found && IsWindowVisible(found) &&
           (!text || FindWindowExW(found, nullptr, L"Static", text));
  });
  return found;
}

// The index of an entry of a list box, once it is listed; -1 when it does not come.
int ListedIndex(HWND list, const std::string& text) {
  int index = -1;
  WaitUntil([&] {
    const auto texts = ListBoxTexts(list);
    index = static_cast<int>(std::ranges::find(texts, text) - texts.begin());
    return index < static_cast<int>(texts.size()) || (index = -1, false);
  });
  return index;
}

// The control of the window, at any depth, that shows that text.
HWND Descendant(HWND window, const std::wstring& text) {
  std::pair<std::wstring, HWND> sought{text, nullptr};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM found) -> BOOL {
        auto& [wanted, control] = *reinterpret_cast<std::pair<std::wstring, HWND>*>(found);
        if (ControlText(child) == wanted) control = child;
        return control == nullptr;
      },
      reinterpret_cast<LPARAM>(&sought));
  return sought.second;
}

// A double click on an entry, posted: it may open a box.
void PostDoubleClick(HWND list, int index) {
  const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  const LRESULT first = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  const LPARAM at = MAKELPARAM(8, static_cast<LONG>((index - first) * height + height / 2));
  for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
    PostMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
  }
}

// Sent, not posted: the answer comes once the setting is written.
void SwitchMarker(HWND main) {
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(kMarkerSwitchCommand, 0), 0,
                                  SMTO_ABORTIFHUNG, 10'000, &ignored));
}

// Wine reports to a program the system version set for its file name, for as long as this lives.
struct ReportedVersion {
  static constexpr wchar_t kKey[] = L"Software\\Wine\\AppDefaults\\Hoverdeck.exe";
  explicit ReportedVersion(const std::wstring& version) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Version", REG_SZ, version.c_str(),
                    static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
  }
  ~ReportedVersion() { RegDeleteKeyW(HKEY_CURRENT_USER, kKey); }
};

TEST(HoverdeckExe, DrivingTheWindowThenStartingAgain) {
  const Installation installed("[Configuration]\nSetTopMostCaption=0\nMinimized=0\n");
  OwnerProcess owner({{"invoice", "-", L"Invoice 42 - Editor"}, {"calendar", "-", L"Calendar"}});
  HWND invoice = owner.Hwnd("invoice");
  std::optional<Program> hoverdeck;
  const ReportedVersion server(L"win2008");  // a server edition, version 6.0
  HWND main = installed.Start(hoverdeck, true);
  EXPECT_EQ(WindowText(main),
            "Hoverdeck 1.1h; Windows Server 2008 v.6.0, Build 6002, Service Pack 2");
  SwitchMarker(main);
  EXPECT_EQ(installed.Read("Configuration", "SetTopMostCaption"), "1");

  // A double click on the entry makes it topmost, then offers a rule; posted, as it opens a box.
  HWND list = FindWindowExW(main, nullptr, L"ListBox", nullptr);
  const int index = ListedIndex(list, "Invoice 42 - Editor");
  ASSERT_GE(index, 0) << "the helper window is not listed";
  PostDoubleClick(list, index);
  HWND offer = WaitForBox(hoverdeck->id(), L"Hoverdeck");
  ASSERT_NE(offer, nullptr) << "no input box offers a rule";
  EXPECT_TRUE(IsTopmost(invoice) && !IsTopmost(owner.Hwnd("calendar"))) << "before the offer";
  EXPECT_TRUE(ControlText(GetDlgItem(offer, kInputEditId)) == L"Invoice 42" &&
              ControlText(GetDlgItem(offer, kInputPromptId)).find(L"'Invoice 42 - Editor'") !=
                  std::wstring::npos);
  SendMessageW(GetDlgItem(offer, kInputEditId), WM_SETTEXT, 0, LPARAM(L"Invoice"));
  PostMessageW(GetDlgItem(offer, IDOK), BM_CLICK, 0, 0);
  // The INI is read only once the catalogue shows the answer: an open file blocks its rewrite.
  HWND frame = FindWindowExW(main, nullptr, L"Button", nullptr);
  while (frame && !WindowText(frame).starts_with("1-")) {
    frame = FindWindowExW(main, frame, L"Button", nullptr);
  }
  ASSERT_NE(frame, nullptr) << "no first frame";
  HWND catalogue = FindWindowExW(frame, nullptr, L"ListBox", nullptr);
  ASSERT_TRUE(WaitUntil([&] {
    return ListBoxTexts(catalogue) == std::vector<std::string>{"Invoice"};
  })) << "the answer did not become a rule";
  EXPECT_EQ(installed.Read("TopMostWindows", "Win1") + installed.Read("TopMostWindows", "chkWin1"),
            "Invoice1");
  // With the marker switched on, the now topmost helper gets it on a following tick.
  EXPECT_TRUE(WaitUntil([&] { return WindowText(invoice) == "[TOPMOST] Invoice 42 - Editor"; }, 3s))
      << WindowText(invoice);
  EXPECT_EQ(WindowText(owner.Hwnd("calendar")), "Calendar");

  // A second start says so; a silent one ends without any window.
  std::optional<Program> second, silent;
  second.emplace(installed.exe, L"", installed.folder_path.wstring());
  HWND notice = WaitForBox(second->id(), L"Hoverdeck - 1.1h", L"Program already running");
  ASSERT_TRUE(notice && second->Running()) << "no notice from the second instance";
  PostMessageW(GetDlgItem(notice, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(second->WaitForExit(10s), std::optional<DWORD>(0));
  silent.emplace(installed.exe, L"-s", installed.folder_path.wstring());
  bool showed = false;
  std::optional<DWORD> code;
  WaitUntil([&] {
    for (HWND window : TopLevelWindowsOf(silent->id())) showed |= IsWindowVisible(window) != 0;
    return (code = silent->WaitForExit(0ms)).has_value();
  });
  EXPECT_TRUE(code == 0u && !showed) << "a window showed, or it did not end";

  // Quitting asks first; Yes ends the program, and the windows keep what it did to them.
  PostMessageW(main, WM_CLOSE, 0, 0);
  HWND question =
      WaitForBox(hoverdeck->id(), L"Hoverdeck - 1.1h", L"Do you really want to quit Hoverdeck ?");
  ASSERT_TRUE(question && hoverdeck->Running()) << "no question before quitting";
  PostMessageW(GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
  EXPECT_EQ(hoverdeck->WaitForExit(10s), std::optional<DWORD>(0));
  EXPECT_TRUE(IsTopmost(invoice) && WindowText(invoice) == "[TOPMOST] Invoice 42 - Editor");
}

// A program that stops answering holds nothing up: the marker and the rules reach the other
// windows, the main window takes a click, a double click on the hung window says within a second
// that it does not answer; once it answers, its rule and marker follow.
TEST(HoverdeckExe, HungProgramHoldsNothingUp) {
  const Installation installed(
      "[Configuration]\nSetTopMostCaption=1\n[TopMostWindows]\nWin1=app\nchkWin1=1\n");
  const OwnerProcess hung({{"clicked", "-", L"Frozen app"},
                           {"ruled", "-", L"Frozen ruled app"},
                           {"top", "t", L"Frozen top"}});
  const OwnerProcess live({{"top", "t", L"Live top"}, {"other", "-", L"Other app"}});
  hung.Hang();
  std::optional<Program> hoverdeck;
  HWND main = installed.Start(hoverdeck, true);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(live.Hwnd("top")) == "[TOPMOST] Live top"; }, 5s));
  HWND check = Descendant(main, L"Set topmost all visible windows when HVD is minimized");
  ASSERT_NE(check, nullptr);
  PostMessageW(check, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  PostMessageW(check, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  EXPECT_TRUE(WaitUntil([&] { return SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 3s));
  PostMessageW(check, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));  // and back
  PostMessageW(check, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));

  HWND list = FindWindowExW(main, nullptr, L"ListBox", nullptr);
  const int index = ListedIndex(list, "Frozen app");
  ASSERT_GE(index, 0);
  const auto asked = std::chrono::steady_clock::now();
  PostDoubleClick(list, index);
  HWND said = WaitForBox(hoverdeck->id(), L"Hoverdeck - 1.1h",
                         L"'Frozen app' could not be made topmost: its program is not responding. "
                         L"Try again once it responds.");
  ASSERT_NE(said, nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
  PostMessageW(GetDlgItem(said, IDOK), BM_CLICK, 0, 0);

  // Minimised, the rule makes the answering window topmost and waits for the other.
  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsTopmost(live.Hwnd("other")); }, 5s));
  EXPECT_FALSE(IsTopmost(hung.Hwnd("ruled")));
  hung.Resume();
  EXPECT_TRUE(WaitUntil(
      [&] {
        return IsTopmost(hung.Hwnd("ruled")) &&
               WindowText(hung.Hwnd("top")) == "[TOPMOST] Frozen top";
      },
      6s));
  EXPECT_EQ(installed.Read("Configuration", "SetAllTopMost"), "0");
}

// The copy an installer put in place (tests/package/windows.sh installs it first).
TEST(HoverdeckExe, InstalledCopyWritesItsSettingsBesideIt) {
  if (_wgetenv(L"HOVERDECK_INSTALLED") == nullptr) GTEST_SKIP() << "needs an installed copy";
  wchar_t local[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
  const Installation installed(std::filesystem::path(local) / L"Programs" / L"Hoverdeck", true);
  std::optional<Program> hoverdeck;
  SwitchMarker(installed.Start(hoverdeck, false));
  EXPECT_EQ(installed.Read("Configuration", "SetTopMostCaption"), "1");
}

}  // namespace
}  // namespace hoverdeck::testing
