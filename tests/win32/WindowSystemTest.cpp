// The window-system adapter and process lookups on another process's real windows; the Close
// item on a window of this one (Wine answers -1 for another process's system menu).
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "Win32Harness.h"
#include "actions/CloseItem.h"
#include "actions/WindowWalk.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32GlobalHotkey.h"
#include "platform/win32/Win32ProcessLookup.h"
#include "platform/win32/Win32ProcessRights.h"
#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck {
namespace {

using testing::ControlText;
using win32::Narrow;
using Labels = std::vector<std::string>;
using namespace std::string_literals;

// Latin, Greek, CJK and a character beyond the first plane, spelt independently in each encoding.
const std::string kUtf8 = "Caf\xC3\xA9 \xCE\xA9 \xE6\xBC\xA2\xE5\xAD\x97 \xF0\x9F\x98\x80!";
const std::wstring kUtf16 = L"Caf\u00E9 \u03A9 \u6F22\u5B57 \U0001F600!";

class OtherProcessWindowsTest : public ::testing::Test {
 protected:
  // Each one stacked above the ones before it in its band; the owned windows belong to "low".
  testing::OwnerProcess owner_{{{"low", "-", L"hvd low"},
                                {"high", "-", L"hvd high"},
                                {"top", "t", L"hvd top"},
                                {"top2", "t", L"hvd top two"},
                                {"disabled", "d", L"hvd disabled"},
                                {"hidden", "h", L"hvd hidden"},
                                {"owned_popup", "p", L"hvd owned popup"},
                                {"owned_window", "o", L"hvd owned window"},
                                {"untitled", "-", L""},
                                {"unicode", "-", kUtf16}}};
  Win32WindowSystem windows_;

  WindowHandle W(const std::string& label) const { return win32::FromHwnd(owner_.Hwnd(label)); }
  // The helper's windows named in `among`, in the order the adapter's walk meets them.
  Labels Walk(const Labels& among) {
    Labels labels;
    for (WindowHandle w = windows_.FirstWindow(kNoWindow); w != kNoWindow && labels.size() < 99;
         w = windows_.NextWindow(w)) {
      for (const std::string& label : among)
        if (W(label) == w) labels.push_back(label);
    }
    return labels;
  }
};

TEST_F(OtherProcessWindowsTest, WalkFollowsTheZOrderAndKeepsTheVisibleEnabledParentlessWindows) {
  EXPECT_EQ(Walk({"low", "high", "top", "top2", "hidden", "owned_popup", "unicode"}),
            (Labels{"top2", "top", "unicode", "owned_popup", "hidden", "high", "low"}));
  // An owned popup answers its owner as parent; an owned overlapped window does not.
  std::set<WindowHandle> kept;
  WalkKeptWindows(windows_, kNoWindow,
                  [&](WindowHandle window, std::string&) { kept.insert(window); });
  const std::set<std::string> left_out = {"disabled", "hidden", "owned_popup", "untitled"};
  for (const auto& [label, hwnd] : owner_.windows()) {
    EXPECT_EQ(kept.contains(win32::FromHwnd(hwnd)), !left_out.contains(label)) << label;
  }
}

TEST_F(OtherProcessWindowsTest, CaptionsCrossTheProcessBoundaryIntactBothWays) {
  EXPECT_EQ(windows_.Caption(W("unicode")), kUtf8);
  // A marker added leaves lone surrogates in place.
  const std::wstring odd = {L'a', wchar_t(0xD800), L'b', wchar_t(0xDC00), wchar_t(0xDBFF)};
  ASSERT_TRUE(SetWindowTextW(owner_.Hwnd("low"), odd.c_str()));
  const std::string caption = windows_.Caption(W("low"));
  ASSERT_TRUE(windows_.SetCaption(W("low"), "[TOPMOST] " + caption));
  EXPECT_EQ(ControlText(owner_.Hwnd("low")), L"[TOPMOST] " + odd);
  // Longer than any fixed buffer would be, and empty; broken UTF-8 arrives as U+FFFD, an overlong
  // NUL too; a real NUL ends the caption.
  std::string long_caption(600, 'x');
  for (int i = 0; i < 200; ++i) long_caption.replace(i * 3, 2, "\xCE\xA9");
  for (const auto& [text, seen] : {std::pair(kUtf8, kUtf16),
                                   {long_caption, win32::Widen(long_caption)},
                                   {""s, L""s},
                                   {"a\xC3(b"s, L"a\uFFFD(b"s},
                                   {"a\xC0\x80z"s, L"a\uFFFD\uFFFDz"s},
                                   {"a\0b"s, L"a"s}}) {
    ASSERT_TRUE(windows_.SetCaption(W("high"), text));
    EXPECT_EQ(std::pair(ControlText(owner_.Hwnd("high")), windows_.Caption(W("high"))),
              std::pair(seen, Narrow(seen)));
  }
}

TEST_F(OtherProcessWindowsTest, TopmostSwitchChangesTheBandButNeitherPlaceNorSize) {
  const auto rect = windows_.Rect(W("low"));
  ASSERT_TRUE(rect && rect->right > rect->left);
  ASSERT_TRUE(windows_.SetTopmost(W("low"), true, *rect));
  EXPECT_EQ((std::pair{windows_.ConfirmTopmost(W("low"), true), windows_.Rect(W("low"))}),
            std::pair(true, rect));
  // It joins the band at its top; its owned windows come along above it.
  const Labels some = {"low", "high", "top", "top2", "owned_window", "owned_popup"};
  EXPECT_EQ(Walk(some), (Labels{"owned_window", "owned_popup", "low", "top2", "top", "high"}));
  ASSERT_TRUE(windows_.SetTopmost(W("low"), false, *rect));
  EXPECT_EQ((std::tuple{windows_.ConfirmTopmost(W("low"), false),
                        testing::IsTopmost(owner_.Hwnd("low")), windows_.Rect(W("low"))}),
            std::tuple(true, false, rect));
  // Out of the band it stands at the top of the others.
  EXPECT_EQ(Walk({"low", "high", "top", "top2"}), (Labels{"top2", "top", "low", "high"}));
  // A hidden window made topmost is shown, where it was.
  const auto hidden_rect = windows_.Rect(W("hidden"));
  ASSERT_TRUE(hidden_rect && !windows_.IsVisible(W("hidden")));
  ASSERT_TRUE(windows_.SetTopmost(W("hidden"), true, *hidden_rect));
  EXPECT_EQ((std::tuple{windows_.ConfirmTopmost(W("hidden"), true), windows_.IsVisible(W("hidden")),
                        windows_.Rect(W("hidden"))}),
            std::tuple(true, true, hidden_rect));
}

// The hotkey acts on the window a box of the active program belongs to.
TEST_F(OtherProcessWindowsTest, TheHotkeysActiveWindowIsTheOwnerOfTheForegroundPopup) {
  Win32GlobalHotkey hotkey;
  SetForegroundWindow(owner_.Hwnd("owned_popup"));
  EXPECT_TRUE(testing::WaitUntil([&] { return hotkey.ActiveWindow() == W("low"); }));
}

TEST_F(OtherProcessWindowsTest, LookupsNameTheOwningProgramAndGoneOnesGiveTheFailingAnswers) {
  Win32ProcessLookup lookup;
  const DWORD helper = owner_.process_id();
  EXPECT_EQ(lookup.WindowProcess(W("hidden")), helper);
  const auto lower = [](std::optional<std::string> text) {
    return std::string(CharLowerA(text.value_or("(none)").data()));
  };
  EXPECT_EQ(lower(lookup.ProgramPath(helper)),
            lower(Narrow(testing::BesideTest(L"hoverdeck_win32_window_owner.exe"))));
  EXPECT_EQ(lower(lookup.ListedProgramName(helper)), "hoverdeck_win32_window_owner.exe");
  const WindowHandle top = W("top"), owned = W("owned_popup");
  const auto rect = windows_.Rect(top);
  ASSERT_TRUE(rect);
  owner_.Stop();
  EXPECT_EQ(std::tuple(lookup.WindowProcess(top), lookup.WindowProcess(kNoWindow)),
            std::tuple(std::nullopt, std::nullopt));
  // Process ids are multiples of four: 0xFFFFFFF1 is never handed out.
  for (const DWORD process : {helper, DWORD{0xFFFFFFF1u}}) {
    EXPECT_EQ(lookup.ProgramPath(process), std::string());
    EXPECT_EQ(lookup.ListedProgramName(process), std::string());
  }
  for (WindowHandle gone : {top, owned}) {
    EXPECT_EQ(
        (std::tuple{windows_.NextWindow(gone), windows_.Caption(gone), windows_.HasParent(gone),
                    windows_.IsVisible(gone), windows_.IsEnabled(gone), windows_.IsTopmost(gone),
                    windows_.SetCaption(gone, "x"), windows_.Rect(gone),
                    windows_.SetTopmost(gone, true, *rect), windows_.CloseItemState(gone),
                    windows_.SetCloseItemState(gone, kCloseItemDisabledBits)}),
        std::tuple(kNoWindow, ""s, false, false, false, false, false, std::nullopt, false,
                   std::nullopt, false));
  }
  EXPECT_EQ(windows_.FirstWindow(top), windows_.FirstWindow(kNoWindow));
}

// A window of this thread, of a class of its own.
HWND OwnWindow(const wchar_t* class_name, WNDPROC procedure, DWORD style, HWND parent) {
  const WNDCLASSW window_class{0,       procedure, 0,       0,       GetModuleHandleW(nullptr),
                               nullptr, nullptr,   nullptr, nullptr, class_name};
  RegisterClassW(&window_class);
  return CreateWindowExW(0, class_name, L"hvd own", style, 50, 50, 300, 200, parent, nullptr,
                         window_class.hInstance, nullptr);
}

// Neither the shell's desktop window nor a taskbar is seen; an ordinary window is (Wine has no
// cloaking to tell: its failing query counts as not cloaked). A store app's frame names the
// program of its app window, a child from another process (this one), while there is one.
TEST(ShellAndAppFrameTest, ShellWindowsAreNotSeenAndAFrameNamesItsAppsProgram) {
  const testing::OwnerProcess owner({{"plain", "-", L"hvd plain"},
                                     {"desk", "s", L"Program Manager"},
                                     {"Shell_TrayWnd", "n", L"hvd taskbar"},
                                     {"ApplicationFrameWindow", "n", L"hvd app"}});
  ASSERT_EQ(GetShellWindow(), owner.Hwnd("desk"));
  const HWND frame = owner.Hwnd("ApplicationFrameWindow");
  HWND app = OwnWindow(L"Windows.UI.Core.CoreWindow", DefWindowProcW, WS_CHILD, frame);
  Win32WindowSystem windows;
  std::set<WindowHandle> kept;
  WalkKeptWindows(windows, kNoWindow, [&](WindowHandle w, std::string&) { kept.insert(w); });
  for (const auto& [label, hwnd] : owner.windows()) {
    const bool seen = label == "plain" || label == "ApplicationFrameWindow";
    const WindowHandle w = win32::FromHwnd(hwnd);
    EXPECT_EQ(std::pair(windows.IsSeen(w), kept.contains(w)), std::pair(seen, seen)) << label;
  }
  Win32ProcessLookup lookup;
  EXPECT_EQ(lookup.WindowProcess(win32::FromHwnd(frame)), GetCurrentProcessId());
  DestroyWindow(app);
  EXPECT_EQ(lookup.WindowProcess(win32::FromHwnd(frame)), owner.process_id());
}

// Stands in for the system's process table (Wine refuses no opening): an id asked for names a
// real process, with the access bits it refuses.
std::map<DWORD, std::pair<DWORD, DWORD>> g_processes;

HANDLE OpenStandIn(DWORD access, DWORD id) {
  const auto found = g_processes.find(id);
  SetLastError(found == g_processes.end() ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED);
  if (found == g_processes.end() || (access & found->second.second)) return nullptr;
  return OpenProcess(access, FALSE, found->second.first);
}

// Whether the process of that id can be opened: it runs, or a handle still holds it.
bool Opens(DWORD process) {
  return static_cast<bool>(win32::UniqueHandle(OpenProcess(SYNCHRONIZE, FALSE, process)));
}

// An answer is kept for a process itself, never for its id alone: a refusal that cannot be tied
// to its process is asked again, one that can holds while its process lives, and an ended
// process's answer and handle go once another is asked about.
TEST(ProcessRightsTest, AnswersBelongToTheProcessNotToItsId) {
  const testing::OwnerProcess first({{"a", "-", L"hvd first"}}),
      second({{"b", "-", L"hvd second"}});
  testing::OwnerProcess ending({{"c", "-", L"hvd ending"}});
  win32::ProcessRights rights(&OpenStandIn);
  const DWORD ended = ending.process_id();
  constexpr DWORD kEverything = ~DWORD{0}, kQuery = PROCESS_QUERY_LIMITED_INFORMATION;
  g_processes = {{100, {first.process_id(), kEverything}}, {200, {ended, kQuery}}};
  EXPECT_EQ((std::tuple{rights.Higher(100), rights.Higher(200), rights.Higher(300)}),
            std::tuple(true, true, false));
  g_processes = {{100, {first.process_id(), 0}}, {200, {ended, 0}}};
  EXPECT_EQ(std::pair(rights.Higher(100), rights.Higher(200)), std::pair(false, true));
  // Its process ended, the id goes to an ordinary one; the ended one's handle goes at the next
  // new question.
  ending.Stop();
  g_processes = {{200, {second.process_id(), 0}}, {300, {second.process_id(), 0}}};
  EXPECT_FALSE(rights.Higher(300));
  // Wine lets an ended process go a moment after its last handle.
  EXPECT_TRUE(testing::WaitUntil([&] { return !Opens(ended); }, std::chrono::seconds(3)));
  EXPECT_FALSE(rights.Higher(200));
}

TEST(HandleConversionTest, HandlesWithTheTopBitSignExtendBackToTheSystemsValue) {
  const HWND high = reinterpret_cast<HWND>(static_cast<INT_PTR>(-2147483632));  // 0x...80000010
  EXPECT_EQ(std::tuple(win32::FromHwnd(high), win32::ToHwnd(0x80000010u), win32::ToHwnd(kNoWindow)),
            std::tuple(0x80000010u, high, nullptr));
}

int g_frame_changes = 0;  // frame recalculations seen by the window's own procedure

LRESULT CALLBACK CountFrameChanges(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto* pos = reinterpret_cast<const WINDOWPOS*>(lparam);
  if (message == WM_WINDOWPOSCHANGED && (pos->flags & SWP_FRAMECHANGED)) ++g_frame_changes;
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST(CloseItemTest, SwitchesOnlyTheTwoBitsBothWaysAndRepaintsTheFrameOnlyOnAChange) {
  HWND hwnd = OwnWindow(L"HoverdeckCloseItem", CountFrameChanges, WS_OVERLAPPEDWINDOW, nullptr);
  ASSERT_NE(hwnd, nullptr);
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  const WindowHandle window = win32::FromHwnd(hwnd);
  Win32WindowSystem windows;
  // A check mark on the item stands for every other bit of the word: it must survive.
  CheckMenuItem(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_CHECKED);
  const auto initial = windows.CloseItemState(window);
  ASSERT_TRUE(initial && (*initial & MFS_CHECKED));
  g_frame_changes = 0;
  EXPECT_EQ(ToggleCloseItem(windows, window), CloseItemChange::kDisabled);
  EXPECT_EQ(GetMenuState(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND) & ~UINT{MF_DEFAULT},
            UINT{MF_CHECKED | MF_GRAYED | MF_DISABLED});
  EXPECT_EQ(DisableCloseItem(windows, window), CloseItemChange::kAlreadyDisabled);
  EXPECT_EQ(g_frame_changes, 1);
  EXPECT_EQ(ToggleCloseItem(windows, window), CloseItemChange::kEnabled);
  EXPECT_EQ(std::tuple(windows.CloseItemState(window), g_frame_changes), std::tuple(*initial, 2));
  EXPECT_EQ(windows.Rect(window), (WindowRect{50, 50, 350, 250})) << "neither moved nor sized";
  DestroyWindow(hwnd);
  EXPECT_EQ(ToggleCloseItem(windows, window), CloseItemChange::kUnreadable);
}

}  // namespace
}  // namespace hoverdeck
