// The window-system adapter on real top-level windows of another process.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "OwnerProcess.h"
#include "inventory/WindowWalk.h"
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
    {"latin", "Caf\xC3\xA9 cr\xC3\xA8me \xE2\x80\x93 \xC3\x85lesund",
     L"Caf\u00E9 cr\u00E8me \u2013 \u00C5lesund"},
    {"greek", "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 \xCE\xA9",
     L"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1 \u03A9"},
    {"cjk", "\xE6\xBC\xA2\xE5\xAD\x97\xE3\x81\x8B\xE3\x81\xAA \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4",
     L"\u6F22\u5B57\u304B\u306A \uD55C\uAD6D\uC5B4"},
    {"emoji", "Emoji \xF0\x9F\x98\x80\xF0\x9F\x9A\x80!", L"Emoji \U0001F600\U0001F680!"},
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
  LONG ExStyle(const std::string& label) const {
    return GetWindowLongW(owner_.Hwnd(label), GWL_EXSTYLE);
  }
  // The labels in walk order, without those given.
  Labels Walk(std::initializer_list<const char*> leave_out = {}) {
    Labels labels = LabelsInWalkOrder(windows_, owner_);
    for (const char* label : leave_out) std::erase(labels, label);
    return labels;
  }

  OwnerProcess owner_;
  Win32WindowSystem windows_;
};

TEST_F(OtherProcessWindowsTest, WalkMeetsTheWindowsInZOrderWithTheTopmostBandFirst) {
  // The system's own list of the top-level windows, top first.
  const auto listed = [this] {
    Labels labels;
    auto collect = [&](HWND window) {
      if (auto label = owner_.LabelOf(win32::FromHwnd(window))) labels.push_back(*label);
    };
    EnumWindows(
        [](HWND window, LPARAM visit) {
          (*reinterpret_cast<decltype(collect)*>(visit))(window);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&collect));
    return labels;
  };
  // Both topmost windows first, then the others, each band in reverse order of stacking.
  const Labels stacked = {"top2",     "top",      "emoji",        "cjk",         "greek",
                          "latin",    "untitled", "owned_window", "owned_popup", "hidden",
                          "disabled", "high",     "low"};
  EXPECT_EQ(Walk(), stacked);
  EXPECT_EQ(listed(), stacked);

  // Restacked by another process, the walk follows at once.
  ASSERT_TRUE(SetWindowPos(owner_.Hwnd("high"), HWND_TOP, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  ASSERT_TRUE(SetWindowPos(owner_.Hwnd("emoji"), HWND_BOTTOM, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  const Labels restacked = {"top2",     "top",      "high",         "cjk",         "greek",
                            "latin",    "untitled", "owned_window", "owned_popup", "hidden",
                            "disabled", "low",      "emoji"};
  EXPECT_EQ(Walk(), restacked);
  EXPECT_EQ(listed(), restacked);
}

TEST_F(OtherProcessWindowsTest, FirstWindowIsTheTopOfTheZOrderWhateverItIsAskedFrom) {
  const WindowHandle top = windows_.FirstWindow(kNoWindow);
  ASSERT_NE(top, kNoWindow);
  EXPECT_EQ(windows_.FirstWindow(W("low")), top);
  EXPECT_EQ(windows_.FirstWindow(W("top")), top);
  EXPECT_EQ(windows_.FirstWindow(0x7FFFFFF0u), top);  // no such window
  EXPECT_TRUE(windows_.IsTopmost(top));
  // Nothing stands above it.
  EXPECT_EQ(GetWindow(win32::ToHwnd(top), GW_HWNDPREV), nullptr);
}

TEST_F(OtherProcessWindowsTest, FilterAnswersAreRightForEachKindOfWindow) {
  EXPECT_TRUE(windows_.IsVisible(W("low")));
  EXPECT_TRUE(windows_.IsEnabled(W("low")));
  EXPECT_FALSE(windows_.HasParent(W("low")));

  EXPECT_FALSE(windows_.IsVisible(W("hidden")));
  EXPECT_TRUE(windows_.IsEnabled(W("hidden")));
  EXPECT_TRUE(windows_.IsVisible(W("disabled")));
  EXPECT_FALSE(windows_.IsEnabled(W("disabled")));
  // An owned popup answers its owner as parent; an owned overlapped window does not.
  EXPECT_TRUE(windows_.HasParent(W("owned_popup")));
  EXPECT_FALSE(windows_.HasParent(W("owned_window")));
  EXPECT_EQ(windows_.Caption(W("untitled")), "");
  EXPECT_TRUE(windows_.IsTopmost(W("top")));
  EXPECT_FALSE(windows_.IsTopmost(W("low")));

  // The core's walk keeps exactly the visible, enabled, parentless, captioned ones.
  std::set<std::string> kept;
  WalkKeptWindows(windows_, kNoWindow, [&](WindowHandle window, std::string&) {
    if (auto label = owner_.LabelOf(window)) kept.insert(*label);
  });
  EXPECT_EQ(kept, (std::set<std::string>{"low", "high", "top", "top2", "owned_window", "latin",
                                         "greek", "cjk", "emoji"}));
}

TEST_F(OtherProcessWindowsTest, CaptionsOfAnotherProcessReadIntactInUtf8) {
  EXPECT_EQ(windows_.Caption(W("low")), "hvd low");
  for (const auto& caption : kUnicodeCaptions) {
    EXPECT_EQ(windows_.Caption(W(caption.label)), caption.utf8) << caption.label;
  }
}

TEST_F(OtherProcessWindowsTest, CaptionWritesArriveInTheOtherProcessIntact) {
  for (const auto& caption : kUnicodeCaptions) {
    ASSERT_TRUE(windows_.SetCaption(W("low"), caption.utf8));
    EXPECT_EQ(windows_.Caption(W("low")), caption.utf8);
    EXPECT_EQ(owner_.OwnCaption("low"), std::wstring(caption.utf16)) << caption.label;
  }
  // Longer than any fixed buffer would be.
  std::string long_caption;
  std::wstring long_wide;
  for (int i = 0; i < 200; ++i) {
    long_caption += "\xCE\xA9x";  // Ωx
    long_wide += L"\u03A9x";
  }
  ASSERT_TRUE(windows_.SetCaption(W("high"), long_caption));
  EXPECT_EQ(windows_.Caption(W("high")), long_caption);
  EXPECT_EQ(owner_.OwnCaption("high"), long_wide);

  ASSERT_TRUE(windows_.SetCaption(W("high"), ""));
  EXPECT_EQ(windows_.Caption(W("high")), "");
  EXPECT_EQ(owner_.OwnCaption("high"), std::wstring());
}

TEST_F(OtherProcessWindowsTest, MarkerComesAndGoesLeavingLoneSurrogatesInPlace) {
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
  EXPECT_GT(rect->bottom - rect->top, 0);

  ASSERT_TRUE(windows_.SetTopmost(W("low"), true, *rect));
  EXPECT_TRUE(windows_.ConfirmTopmost(W("low"), true));
  EXPECT_NE(ExStyle("low") & WS_EX_TOPMOST, 0);
  EXPECT_EQ(windows_.Rect(W("low")), rect);
  // It joins the band at its top; its owned windows come along above it.
  EXPECT_EQ(Walk({"untitled", "hidden", "disabled", "latin", "greek", "cjk", "emoji"}),
            (Labels{"owned_window", "owned_popup", "low", "top2", "top", "high"}));

  ASSERT_TRUE(windows_.SetTopmost(W("low"), false, *rect));
  EXPECT_TRUE(windows_.ConfirmTopmost(W("low"), false));
  EXPECT_EQ(ExStyle("low") & WS_EX_TOPMOST, 0);
  EXPECT_EQ(windows_.Rect(W("low")), rect);
  // Out of the band it stands at the top of the others (whether its owned windows follow it
  // out is the system's business).
  EXPECT_EQ(Walk({"owned_window", "owned_popup", "untitled", "hidden", "disabled", "latin", "greek",
                  "cjk", "emoji"}),
            (Labels{"top2", "top", "low", "high"}));

  // A topmost window leaves the band just as well.
  const auto top_rect = windows_.Rect(W("top"));
  ASSERT_TRUE(top_rect);
  ASSERT_TRUE(windows_.SetTopmost(W("top"), false, *top_rect));
  EXPECT_FALSE(windows_.IsTopmost(W("top")));
  EXPECT_EQ(windows_.Rect(W("top")), top_rect);
}

TEST_F(OtherProcessWindowsTest, TopmostSwitchShowsAHiddenWindow) {
  const auto rect = windows_.Rect(W("hidden"));
  ASSERT_TRUE(rect);
  ASSERT_TRUE(windows_.SetTopmost(W("hidden"), true, *rect));
  EXPECT_TRUE(windows_.IsVisible(W("hidden")));
  EXPECT_TRUE(windows_.IsTopmost(W("hidden")));
  EXPECT_EQ(windows_.Rect(W("hidden")), rect);
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
