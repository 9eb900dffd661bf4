// The real Hoverdeck.exe worked through its own windows, on windows of another process.
#include <gtest/gtest.h>

#include "Win32Harness.h"
#include "app/ConfigFile.h"
#include "platform/win32/WideText.h"
#include "support/TempDir.h"
#include "ui/frmTopTexts.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32Tray.h"
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
    HWND main = nullptr;
    const auto there = [&] { return (main = FindTopLevel(program->id(), kMainClass)) != nullptr; };
    if (!program->WaitForIdle(30s) ||
        !WaitUntil([&] { return there() && (!shown || IsWindowVisible(main)); }, 30s)) {
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

// A double click on the entry once it is listed, posted: it may open a box. False when the entry
// does not come.
bool PostDoubleClick(HWND list, const std::wstring& text) {
  LRESULT index = LB_ERR;
  const auto listed = [&] {
    return (index = SendMessageW(list, LB_FINDSTRINGEXACT, -1, LPARAM(text.data()))) >= 0;
  };
  if (!WaitUntil(listed)) return false;
  const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  const LRESULT first = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  const LPARAM at = MAKELPARAM(8, static_cast<LONG>((index - first) * height + height / 2));
  for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
    PostMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
  return true;
}

// Sent, not posted: the answer comes once the setting is written.
void SwitchMarker(HWND main) {
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(kMarkerSwitchCommand, 0), 0,
                                  SMTO_ABORTIFHUNG, 10'000, &ignored));
}

void Quit(Program& hoverdeck, HWND main) {
  PostMessageW(main, WM_CLOSE, 0, 0);
  HWND question =
      WaitForBox(hoverdeck.id(), L"Hoverdeck - 1.1h", L"Do you really want to quit Hoverdeck ?");
  ASSERT_TRUE(question && hoverdeck.Running()) << "no question before quitting";
  PostMessageW(GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
  ASSERT_EQ(hoverdeck.WaitForExit(10s), std::optional<DWORD>(0));
}

TEST(HoverdeckExe, DrivingTheWindowThenStartingAgain) {
  const Installation installed("[Configuration]\nSetTopMostCaption=0\nMinimized=0\n");
  OwnerProcess owner({{"invoice", "-", L"Invoice 42 - Editor"}, {"calendar", "-", L"Calendar"}});
  HWND invoice = owner.Hwnd("invoice");
  std::optional<Program> hoverdeck;
  // Wine reports the version set for the program's file name: a server edition.
  const wchar_t* version = L"Software\\Wine\\AppDefaults\\Hoverdeck.exe";
  RegSetKeyValueW(HKEY_CURRENT_USER, version, L"Version", REG_SZ, L"win2008", 16);
  HWND main = installed.Start(hoverdeck, true);
  RegDeleteKeyW(HKEY_CURRENT_USER, version);
  EXPECT_EQ(WindowText(main),
            "Hoverdeck 1.1h; Windows Server 2008 v.6.0, Build 6002, Service Pack 2");
  SwitchMarker(main);

  // A double click on the entry makes it topmost, then offers a rule; posted, as it opens a box.
  HWND list = FindWindowExW(main, nullptr, L"ListBox", nullptr);
  ASSERT_TRUE(PostDoubleClick(list, L"Invoice 42 - Editor")) << "the helper window is not listed";
  HWND offer = WaitForBox(hoverdeck->id(), L"Hoverdeck");
  ASSERT_NE(offer, nullptr) << "no input box offers a rule";
  EXPECT_EQ(std::pair(IsTopmost(invoice), IsTopmost(owner.Hwnd("calendar"))),
            std::pair(true, false));  // before the offer
  SendMessageW(GetDlgItem(offer, kInputEditId), WM_SETTEXT, 0, LPARAM(L"Invoice"));
  PostMessageW(GetDlgItem(offer, IDOK), BM_CLICK, 0, 0);
  // The INI is read only once the catalogue shows the answer: an open file blocks its rewrite.
  HWND catalogue = FindWindowExW(
      FindWindowExW(main, nullptr, L"Button", win32::Widen(std::string(texts::kFrame1)).c_str()),
      nullptr, L"ListBox", nullptr);
  ASSERT_TRUE(WaitUntil([&] {
    return ListBoxTexts(catalogue) == std::vector<std::string>{"Invoice"};
  })) << "the answer did not become a rule";
  EXPECT_EQ(installed.Read("TopMostWindows", "Win1") + installed.Read("TopMostWindows", "chkWin1"),
            "Invoice1");
  // With the marker switched on, the now topmost helper gets it on a following tick.
  EXPECT_TRUE(WaitUntil([&] { return WindowText(invoice) == "[TOPMOST] Invoice 42 - Editor"; }, 3s))
      << WindowText(invoice);

  // A second start says so; a silent one ends without any window.
  Program second(installed.exe, L"", installed.folder_path.wstring());
  HWND notice = WaitForBox(second.id(), L"Hoverdeck - 1.1h", L"Program already running");
  ASSERT_TRUE(notice && second.Running()) << "no notice from the second instance";
  PostMessageW(GetDlgItem(notice, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(second.WaitForExit(10s), std::optional<DWORD>(0));
  Program silent(installed.exe, L"-s", installed.folder_path.wstring());
  bool showed = false;
  std::optional<DWORD> code;
  WaitUntil([&] {
    for (HWND window : TopLevelWindowsOf(silent.id())) showed |= IsWindowVisible(window) != 0;
    return (code = silent.WaitForExit(0ms)).has_value();
  });
  EXPECT_EQ(std::tuple(code, showed), std::tuple(0u, false)) << "ended, and no window showed";

  // Quitting asks first; Yes ends the program, and the windows keep what it did to them.
  Quit(*hoverdeck, main);
  EXPECT_EQ(std::tuple(IsTopmost(invoice), WindowText(invoice)),
            std::tuple(true, "[TOPMOST] Invoice 42 - Editor"));
}

// A program that stops answering holds nothing up: the marker and the rules reach the other
// windows, the main window takes commands, a double click on the hung window says within a second
// that the switch waits for it; once it answers, the switch, its rule and marker follow.
TEST(HoverdeckExe, HungProgramHoldsNothingUp) {
  const Installation installed(
      "[Configuration]\nSetTopMostCaption=1\n[TopMostWindows]\nWin1=app\nchkWin1=1\n");
  const OwnerProcess hung({{"app", "-", L"Frozen app"},
                           {"ruled", "-", L"Frozen ruled app"},
                           {"top", "t", L"Frozen top"}});
  const OwnerProcess live({{"top", "t", L"Live top"}, {"app", "-", L"Other app"}});
  hung.Hang();
  std::optional<Program> hoverdeck;
  HWND main = installed.Start(hoverdeck, true);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(live.Hwnd("top")) == "[TOPMOST] Live top"; }, 5s));
  SwitchMarker(main);  // the window takes commands at once: the marker off, and on again
  SwitchMarker(main);
  HWND list = FindWindowExW(main, nullptr, L"ListBox", nullptr);
  const auto asked = std::chrono::steady_clock::now();
  ASSERT_TRUE(PostDoubleClick(list, L"Frozen app"));
  HWND said = WaitForBox(hoverdeck->id(), L"Hoverdeck - 1.1h",
                         L"'Frozen app' will be made topmost once its program responds; it is "
                         L"not responding now.");
  EXPECT_EQ(std::pair(said != nullptr, std::chrono::steady_clock::now() - asked < 3s),
            std::pair(true, true));  // a busy test machine
  PostMessageW(GetDlgItem(said, IDOK), BM_CLICK, 0, 0);
  // Minimised, the rule makes the answering window topmost; the other follows once it answers.
  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsTopmost(live.Hwnd("app")); }, 5s));
  EXPECT_FALSE(IsTopmost(hung.Hwnd("ruled")));
  hung.Resume();
  EXPECT_TRUE(WaitUntil([&] { return IsTopmost(hung.Hwnd("ruled")); }, 6s));
  EXPECT_TRUE(IsTopmost(hung.Hwnd("app")));
  EXPECT_TRUE(WaitUntil([&] { return WindowText(hung.Hwnd("top")) == "[TOPMOST] Frozen top"; }));
}

// A minimised start enforces the rules at once on another program's windows: its own marker on
// the window made topmost, a stale one taken off, the bystander and the file left alone. The
// tray brings the window back and a user's minimise sends it there again; once the program has
// ended, a new start is the only instance.
TEST(HoverdeckExe, StartingMinimisedOverOtherWindows) {
  const std::string ini =
      "[Configuration]\r\nMinimized=1\r\nSetTopMostCaption=1\r\nConstTopMost=<<\r\n"
      "[TopMostWindows]\r\nWin1=Invoice\r\nchkWin1=1\r\n";
  const Installation installed(ini);
  OwnerProcess owner({{"invoice", "-", L"Invoice 42"},
                      {"stale", "-", L"<<Notes"},
                      {"calendar", "-", L"Calendar"}});
  std::optional<Program> hoverdeck;
  HWND main = installed.Start(hoverdeck, false);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(owner.Hwnd("invoice")) == "<<Invoice 42"; }, 5s));
  EXPECT_TRUE(WaitUntil([&] { return WindowText(owner.Hwnd("stale")) == "Notes"; }, 3s));
  EXPECT_EQ(std::tuple(IsWindowVisible(main) != 0, IsTopmost(owner.Hwnd("invoice")),
                       IsTopmost(owner.Hwnd("calendar")), WindowText(owner.Hwnd("calendar"))),
            std::tuple(false, true, false, "Calendar"));
  EXPECT_EQ(ReadBytes(installed.folder_path / "Hoverdeck.ini"), ini);
  // The icon's double click, as the shell reports it.
  PostMessageW(main, Win32Tray::kCallbackMessage, Win32Tray::kIconId, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != 0; })) << "not back from the tray";
  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); })) << "not sent to the tray";
  Quit(*hoverdeck, main);
  std::optional<Program> again;
  EXPECT_NE(installed.Start(again, false), nullptr) << "the first instance is still counted";
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
