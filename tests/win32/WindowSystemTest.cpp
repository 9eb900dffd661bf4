// The window-system adapter and the process lookups on real top-level windows of another process.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "Win32Harness.h"
#include "inventory/WindowWalk.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32ProcessLookup.h"
#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck {
namespace {

using testing::OwnerProcess;
using Labels = std::vector<std::string>;

// UTF-8 and UTF-16 spellings of the same captions, written independently of each other.
struct UnicodeCaption {
  const char* label;
  const char* utf8;
  const wchar_t* utf16;
};
constexpr UnicodeCaption kUnicodeCaptions[] = {
    {"latin", "Caf\xC3\xA9 \xE2\x80\x93 \xC3\x85lesund", L"Caf\u00E9 \u2013 \u00C5lesund"},
    {"greek", "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7 \xCE\xA9", L"\u039A\u03B1\u03BB\u03B7 \u03A9"},
    {"cjk", "\xE6\xBC\xA2\xE5\xAD\x97 \xED\x95\x9C\xEA\xB5\xAD", L"\u6F22\u5B57 \uD55C\uAD6D"},
    {"emoji", "Emoji \xF0\x9F\x98\x80!", L"Emoji \U0001F600!"},
};

class OtherProcessWindowsTest : public ::testing::Test {
 protected:
  // Created in this order, each one stacked above the ones before it in its band; the owned
  // windows belong to "low".
  OtherProcessWindowsTest()
      : owner_({
            {"low", "-", L"hvd low"},
            {"high", "-", L"hvd high"},
            {"top", "t", L"hvd top"},
            {"top2", "t", L"hvd top two"},
            {"disabled", "d", L"hvd disabled"},
            {"hidden", "h", L"hvd hidden"},
            {"owned_popup", "p", L"hvd owned popup"},
            {"owned_window", "o", L"hvd owned window"},
            {"untitled", "-", L""},
            {"latin", "-", kUnicodeCaptions[0].utf16},
            {"greek", "-", kUnicodeCaptions[1].utf16},
            {"cjk", "-", kUnicodeCaptions[2].utf16},
            {"emoji", "-", kUnicodeCaptions[3].utf16},
        }) {}

  WindowHandle W(const std::string& label) const { return owner_.Window(label); }
  // The helper's windows in the order the adapter's walk meets them, without those given.
  Labels Walk(std::initializer_list<const char*> leave_out = {}) {
    Labels labels;
    for (WindowHandle w = windows_.FirstWindow(kNoWindow); w != kNoWindow && labels.size() < 99;
         w = windows_.NextWindow(w)) {
      if (auto label = owner_.LabelOf(w)) labels.push_back(*label);
    }
    for (const char* label : leave_out) std::erase(labels, label);
    return labels;
  }

  OwnerProcess owner_;
  Win32WindowSystem windows_;
};

TEST_F(OtherProcessWindowsTest, WalkMeetsTheWindowsInZOrderWithTheTopmostBandFirst) {
  EXPECT_EQ(Walk(), (Labels{"top2", "top", "emoji", "cjk", "greek", "latin", "untitled",
                            "owned_window", "owned_popup", "hidden", "disabled", "high", "low"}));
  // Restacked by another process, the walk follows at once.
  ASSERT_TRUE(SetWindowPos(owner_.Hwnd("high"), HWND_TOP, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  ASSERT_TRUE(SetWindowPos(owner_.Hwnd("emoji"), HWND_BOTTOM, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_EQ(Walk({"untitled", "owned_window", "owned_popup", "hidden", "disabled", "latin",
                  "greek"}),
            (Labels{"top2", "top", "high", "cjk", "low", "emoji"}));
  // Asked from anywhere, even a window that does not exist, the first window is the top one.
  const WindowHandle top = windows_.FirstWindow(kNoWindow);
  EXPECT_EQ(GetWindow(win32::ToHwnd(top), GW_HWNDPREV), nullptr);
  EXPECT_EQ(windows_.FirstWindow(W("low")), top);
  EXPECT_EQ(windows_.FirstWindow(0x7FFFFFF0u), top);
}

TEST_F(OtherProcessWindowsTest, TheWalkKeepsExactlyTheVisibleEnabledParentlessCaptionedWindows) {
  EXPECT_FALSE(windows_.IsVisible(W("hidden")));
  EXPECT_FALSE(windows_.IsEnabled(W("disabled")));
  // An owned popup answers its owner as parent; an owned overlapped window does not.
  EXPECT_TRUE(windows_.HasParent(W("owned_popup")));
  EXPECT_FALSE(windows_.HasParent(W("owned_window")));
  EXPECT_TRUE(windows_.IsTopmost(W("top")));
  EXPECT_FALSE(windows_.IsTopmost(W("low")));
  std::set<std::string> kept;
  WalkKeptWindows(windows_, kNoWindow, [&](WindowHandle window, std::string&) {
    if (auto label = owner_.LabelOf(window)) kept.insert(*label);
  });
  EXPECT_EQ(kept, (std::set<std::string>{"low", "high", "top", "top2", "owned_window", "latin",
                                         "greek", "cjk", "emoji"}));
}

TEST_F(OtherProcessWindowsTest, CaptionsCrossTheProcessBoundaryIntactInBothDirections) {
  for (const auto& caption : kUnicodeCaptions) {
    EXPECT_EQ(windows_.Caption(W(caption.label)), caption.utf8) << caption.label;
    ASSERT_TRUE(windows_.SetCaption(W("low"), caption.utf8));
    EXPECT_EQ(owner_.OwnCaption("low"), std::wstring(caption.utf16)) << caption.label;
  }
  // Longer than any fixed buffer would be, and empty.
  std::string long_caption;
  std::wstring long_wide;
  for (int i = 0; i < 200; ++i) {
    long_caption += "\xCE\xA9x";
    long_wide += L"\u03A9x";
  }
  ASSERT_TRUE(windows_.SetCaption(W("high"), long_caption));
  EXPECT_EQ(windows_.Caption(W("high")), long_caption);
  EXPECT_EQ(owner_.OwnCaption("high"), long_wide);
  ASSERT_TRUE(windows_.SetCaption(W("high"), ""));
  EXPECT_EQ(owner_.OwnCaption("high"), std::wstring());

  // A marker comes and goes leaving lone surrogates in place.
  const std::wstring odd = {L'a', wchar_t(0xD800), L'b', wchar_t(0xDC00), wchar_t(0xDBFF)};
  ASSERT_TRUE(SetWindowTextW(owner_.Hwnd("low"), odd.c_str()));
  const std::string caption = windows_.Caption(W("low"));
  ASSERT_TRUE(windows_.SetCaption(W("low"), "[TOPMOST] " + caption));
  EXPECT_EQ(owner_.OwnCaption("low"), L"[TOPMOST] " + odd);
  ASSERT_TRUE(windows_.SetCaption(W("low"), caption));
  EXPECT_EQ(owner_.OwnCaption("low"), odd);
}

TEST_F(OtherProcessWindowsTest, TopmostSwitchChangesTheBandButNeitherPlaceNorSize) {
  const auto rect = windows_.Rect(W("low"));
  ASSERT_TRUE(rect);
  EXPECT_GT(rect->right - rect->left, 0);
  ASSERT_TRUE(windows_.SetTopmost(W("low"), true, *rect));
  EXPECT_TRUE(windows_.ConfirmTopmost(W("low"), true));
  EXPECT_EQ(windows_.Rect(W("low")), rect);
  // It joins the band at its top; its owned windows come along above it.
  const std::initializer_list<const char*> others = {"untitled", "hidden", "disabled", "latin",
                                                     "greek",    "cjk",    "emoji"};
  EXPECT_EQ(Walk(others), (Labels{"owned_window", "owned_popup", "low", "top2", "top", "high"}));

  ASSERT_TRUE(windows_.SetTopmost(W("low"), false, *rect));
  EXPECT_TRUE(windows_.ConfirmTopmost(W("low"), false));
  EXPECT_EQ(GetWindowLongW(owner_.Hwnd("low"), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(windows_.Rect(W("low")), rect);
  // Out of the band it stands at the top of the others.
  EXPECT_EQ(Walk({"owned_window", "owned_popup", "untitled", "hidden", "disabled", "latin",
                  "greek", "cjk", "emoji"}),
            (Labels{"top2", "top", "low", "high"}));

  // A hidden window made topmost is shown, where it was.
  const auto hidden_rect = windows_.Rect(W("hidden"));
  ASSERT_TRUE(hidden_rect);
  ASSERT_TRUE(windows_.SetTopmost(W("hidden"), true, *hidden_rect));
  EXPECT_TRUE(windows_.IsVisible(W("hidden")));
  EXPECT_EQ(windows_.Rect(W("hidden")), hidden_rect);
}

TEST_F(OtherProcessWindowsTest, ProcessLookupsNameTheOwningProgram) {
  Win32ProcessLookup lookup;
  const DWORD helper = owner_.process_id();
  EXPECT_EQ(lookup.WindowProcess(W("hidden")), helper);
  EXPECT_NE(helper, GetCurrentProcessId());
  const auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  EXPECT_EQ(lower(lookup.ProgramPath(helper).value_or("")),
            lower(win32::Narrow(testing::BesideTest(L"hoverdeck_win32_window_owner.exe"))));
  EXPECT_EQ(lower(lookup.ListedProgramName(helper).value_or("")),
            "hoverdeck_win32_window_owner.exe");
  EXPECT_EQ(lower(lookup.ListedProgramName(GetCurrentProcessId()).value_or("")),
            "hoverdeck_win32_tests.exe");
  // Gone processes and windows give empty answers; ids are multiples of four, so 0xFFFFFFF1
  // is never handed out.
  const WindowHandle gone = W("low");
  owner_.Stop();
  EXPECT_EQ(lookup.WindowProcess(gone), std::nullopt);
  EXPECT_EQ(lookup.WindowProcess(kNoWindow), std::nullopt);
  for (const DWORD process : {helper, DWORD{0xFFFFFFF1u}}) {
    EXPECT_EQ(lookup.ProgramPath(process), std::string());
    EXPECT_EQ(lookup.ListedProgramName(process), std::string());
  }
}

TEST_F(OtherProcessWindowsTest, WindowsThatHaveVanishedGiveTheFailingAnswers) {
  const WindowHandle top = W("top");
  const WindowHandle owned = W("owned_popup");
  const auto rect = windows_.Rect(top);
  ASSERT_TRUE(rect);
  owner_.Stop();
  for (WindowHandle gone : {top, owned}) {
    EXPECT_EQ(windows_.NextWindow(gone), kNoWindow);
    EXPECT_FALSE(windows_.HasParent(gone));
    EXPECT_FALSE(windows_.IsVisible(gone));
    EXPECT_FALSE(windows_.IsEnabled(gone));
    EXPECT_EQ(windows_.Caption(gone), "");
    EXPECT_FALSE(windows_.SetCaption(gone, "x"));
    EXPECT_FALSE(windows_.IsTopmost(gone));
    EXPECT_EQ(windows_.Rect(gone), std::nullopt);
    EXPECT_FALSE(windows_.SetTopmost(gone, true, *rect));
    EXPECT_EQ(windows_.CloseItemState(gone), std::nullopt);
    EXPECT_FALSE(windows_.SetCloseItemState(gone, kCloseItemDisabledBits));
  }
  EXPECT_EQ(windows_.FirstWindow(top), windows_.FirstWindow(kNoWindow));
}

}  // namespace
}  // namespace hoverdeck
