// The X11 adapter against a real X server and a real EWMH window manager (IceWM), over windows
// that a helper process owns, checked through a second connection of the tests' own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "X11Fixture.h"
#include "actions/CloseItem.h"
#include "platform/x11/X11ProcessLookup.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

using testing::WaitUntil;
using testing::Windows;
using testing::X11AdapterTest;

TEST(X11ConnectTest, NoDisplayGivesNoAdapter) {
  EXPECT_EQ(X11WindowSystem::Connect(":4711"), nullptr);
}

TEST_F(X11AdapterTest, WalkGoesTopFirstAndListsNeitherDocksNorDesktops) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "A"},
      {"--net-name", "Panel", "--type", "dock"},
      {"--net-name", "B"},
      {"--net-name", "Desk", "--type", "desktop"},
      {"--net-name", "C"},
      {"--net-name", "Tip", "--override-redirect"},
      {"--net-name", "Hidden", "--unmapped"},
  }));
  // The window manager keeps the dock on top and the desktop at the bottom.
  EXPECT_EQ(Walk(), (Windows{w_[4], w_[2], w_[0]}));
  EXPECT_EQ(x_->NextWindow(w_[0]), kNoWindow);  // nothing but the desktop is below
  // Windows outside the list have no next one, nor has one gone but, for a moment, still listed.
  EXPECT_EQ(x_->NextWindow(w_[6]), kNoWindow);
  EXPECT_EQ(x_->NextWindow(kNoWindow), kNoWindow);
  probe_->Destroy(w_[2]);
  EXPECT_EQ(x_->NextWindow(w_[2]), kNoWindow);
}

TEST_F(X11AdapterTest, FilterQuestions) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Owner"},
      {"--net-name", "Dialog", "--transient-for", "0"},
      {"--net-name", "Minimised", "--iconic"},
      {"--net-name", "Never shown", "--unmapped"},
      {"--net-name", "Withdrawn"},
  }));
  EXPECT_FALSE(x_->HasParent(w_[0]));
  EXPECT_TRUE(x_->HasParent(w_[1]));
  EXPECT_TRUE(x_->IsVisible(w_[0]));
  EXPECT_TRUE(x_->IsVisible(w_[2]));
  EXPECT_FALSE(x_->IsVisible(w_[3]));
  for (WindowHandle w : w_) EXPECT_TRUE(x_->IsEnabled(w));

  ASSERT_TRUE(x_->IsVisible(w_[4]));
  probe_->Unmap(w_[4]);
  EXPECT_TRUE(WaitUntil([&] { return !x_->IsVisible(w_[4]); }));
  EXPECT_TRUE(x_->IsEnabled(w_[4]));
}

TEST_F(X11AdapterTest, CaptionsInEveryEncoding) {
  const std::string utf8 = "Café – Ελληνικά – 漢字 – 🚀";
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", utf8},
      {"--wm-name", "STRING", "Caf\xe9 cr\xe8me"},
      {"--wm-name", "COMPOUND_TEXT", "Gr\xfc\xdf Gott"},
      {"--wm-name", "COMPOUND_TEXT", "Wine \x1b%G漢字 🚀\x1b%@"},
      {"--wm-name", "COMPOUND_TEXT", "\x1b-F\xc5\xeb\xeb\xdc\xe4\xe1"},
      {"--wm-name", "UTF8_STRING", "Ελλάδα"},
      {"--net-name", "New name", "--wm-name", "STRING", "Old name"},
      {},
  }));
  EXPECT_EQ(x_->Caption(w_[0]), utf8);
  EXPECT_EQ(x_->Caption(w_[1]), "Café crème");
  EXPECT_EQ(x_->Caption(w_[2]), "Grüß Gott");
  EXPECT_EQ(x_->Caption(w_[3]), "Wine 漢字 🚀");
  EXPECT_EQ(x_->Caption(w_[4]), "Ελλάδα");
  EXPECT_EQ(x_->Caption(w_[5]), "Ελλάδα");
  EXPECT_EQ(x_->Caption(w_[6]), "New name");
  EXPECT_EQ(x_->Caption(w_[7]), "");
}

TEST_F(X11AdapterTest, WrittenCaptionsReachOtherClients) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--wm-name", "STRING", "before"},
      {},
  }));
  const std::string greek = "[TOPMOST] Ελληνικά 🚀";
  ASSERT_TRUE(x_->SetCaption(w_[0], greek));
  const auto net = probe_->Read(w_[0], "_NET_WM_NAME");
  const auto legacy = probe_->Read(w_[0], "WM_NAME");
  ASSERT_TRUE(net && legacy);
  EXPECT_EQ(net->type, "UTF8_STRING");
  EXPECT_EQ(net->bytes, greek);
  EXPECT_EQ(legacy->type, "COMPOUND_TEXT");
  EXPECT_EQ(legacy->bytes, "\x1b%G" + greek + "\x1b%@");
  EXPECT_EQ(x_->Caption(w_[0]), greek);

  ASSERT_TRUE(x_->SetCaption(w_[1], "Café"));
  const auto latin = probe_->Read(w_[1], "WM_NAME");
  ASSERT_TRUE(latin);
  EXPECT_EQ(latin->type, "STRING");
  EXPECT_EQ(latin->bytes, "Caf\xe9");
  EXPECT_EQ(probe_->Read(w_[1], "_NET_WM_NAME")->bytes, "Café");
}

TEST_F(X11AdapterTest, MarkerComesAndGoesLeavingTheCaptionsOwnBytes) {
  struct Case {
    const char* property;
    const char* type;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"_NET_WM_NAME", "UTF8_STRING", "bad \xff\xc3 utf-8"},
      {"_NET_WM_NAME", "UTF8_STRING", std::string("first\0second", 12)},
      {"WM_NAME", "STRING", std::string("Caf\xe9\0x", 7)},
      {"WM_NAME", "COMPOUND_TEXT", "\x1b-F\xc5\xeb\x1b-A \xe9 \x1b%G\xe6\xbc\xa2\x1b%@"},
  };
  ASSERT_NO_FATAL_FAILURE(Open(std::vector<std::vector<std::string>>(cases.size())));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    probe_->SetText(w_[i], cases[i].property, cases[i].type, cases[i].bytes);
  }
  for (const std::string marker : {"[TOPMOST] ", "\xce\xa9 "}) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << "window " << i << ", marker " << marker);
      const std::string caption = x_->Caption(w_[i]);
      ASSERT_FALSE(caption.empty());
      ASSERT_TRUE(x_->SetCaption(w_[i], marker + caption));
      EXPECT_EQ(x_->Caption(w_[i]), marker + caption);
      const auto marked = probe_->Read(w_[i], cases[i].property);
      ASSERT_TRUE(marked);
      EXPECT_TRUE(marked->bytes.ends_with(cases[i].bytes));
      ASSERT_TRUE(x_->SetCaption(w_[i], caption));
      for (const char* property : {"_NET_WM_NAME", "WM_NAME"}) {
        const auto now = probe_->Read(w_[i], property);
        ASSERT_TRUE(now);
        const bool own = property == std::string_view(cases[i].property);
        EXPECT_EQ(now->type, own ? cases[i].type : "") << property;
        EXPECT_EQ(now->bytes, own ? cases[i].bytes : "") << property;
      }
    }
  }
}

TEST_F(X11AdapterTest, TopmostSwitchesInPlace) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Plain", "--geometry", "60,70,300,200"},
      {"--net-name", "Above", "--above"},
  }));
  EXPECT_TRUE(x_->IsTopmost(w_[1]));
  ASSERT_FALSE(x_->IsTopmost(w_[0]));
  const auto before = x_->Rect(w_[0]);
  ASSERT_TRUE(before);
  EXPECT_EQ(before->right - before->left, 300);
  EXPECT_EQ(before->bottom - before->top, 200);

  ASSERT_TRUE(x_->SetTopmost(w_[0], true, *before));
  EXPECT_TRUE(x_->ConfirmTopmost(w_[0], true));
  EXPECT_TRUE(probe_->HasAtom(w_[0], "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
  EXPECT_EQ(x_->Rect(w_[0]), before);

  ASSERT_TRUE(x_->SetTopmost(w_[0], false, *before));
  EXPECT_TRUE(x_->ConfirmTopmost(w_[0], false));
  EXPECT_FALSE(probe_->HasAtom(w_[0], "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
  EXPECT_EQ(x_->Rect(w_[0]), before);
  // Nothing asked, nothing reached.
  EXPECT_FALSE(x_->ConfirmTopmost(w_[0], true));
}

TEST_F(X11AdapterTest, WalkGoesOnFromTheLiftedWindowsNewPlace) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Bottom"},
      {"--net-name", "Middle"},
      {"--net-name", "Top"},
  }));
  ASSERT_EQ(Walk(), (Windows{w_[2], w_[1], w_[0]}));
  ASSERT_TRUE(x_->SetTopmost(w_[0], true, *x_->Rect(w_[0])));
  ASSERT_TRUE(x_->ConfirmTopmost(w_[0], true));
  // The window manager restacks in its own time; from then on the walk follows.
  EXPECT_TRUE(WaitUntil([&] { return x_->NextWindow(w_[0]) == w_[2]; }));
  EXPECT_EQ(Walk(), (Windows{w_[0], w_[2], w_[1]}));
}

// Close item: the hints the adapter writes and what IceWM makes of them.
class X11CloseItemTest : public X11AdapterTest {
 protected:
  bool ManagerOffersClose(WindowHandle w) {
    return probe_->HasAtom(w, "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_CLOSE");
  }
  std::vector<std::uint32_t> Hints(WindowHandle w) {
    const auto hints = probe_->Read(w, "_MOTIF_WM_HINTS");
    return hints ? hints->values : std::vector<std::uint32_t>{};
  }
};

TEST_F(X11CloseItemTest, TogglesBothWaysUnderIceWm) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Closable"},
  }));
  const WindowHandle w = w_[0];
  ASSERT_EQ(x_->CloseItemState(w), 0u);
  ASSERT_TRUE(ManagerOffersClose(w));

  EXPECT_EQ(ToggleCloseItem(*x_, w), CloseItemChange::kDisabled);
  // Asked at once, before IceWM has republished its allowed actions.
  EXPECT_TRUE(x_->ConfirmCloseItemDisabled(w));
  EXPECT_EQ(Hints(w), (std::vector<std::uint32_t>{1, 0x1E, 0, 0, 0}));
  EXPECT_EQ(probe_->Read(w, "_MOTIF_WM_HINTS")->type, "_MOTIF_WM_HINTS");
  EXPECT_TRUE(WaitUntil([&] { return !ManagerOffersClose(w); }));
  EXPECT_EQ(x_->CloseItemState(w), kCloseItemDisabledBits);

  EXPECT_EQ(ToggleCloseItem(*x_, w), CloseItemChange::kEnabled);
  EXPECT_EQ(Hints(w), (std::vector<std::uint32_t>{0, 0, 0, 0, 0}));
  EXPECT_TRUE(WaitUntil([&] { return ManagerOffersClose(w); }));
  EXPECT_EQ(x_->CloseItemState(w), 0u);
}

TEST_F(X11CloseItemTest, CannotBeDisabledUnderOpenbox) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Closable"},
  }));
  const WindowHandle w = w_[0];
  ASSERT_TRUE(ManagerOffersClose(w));
  EXPECT_EQ(ToggleCloseItem(*x_, w), CloseItemChange::kDisabled);
  // Openbox keeps offering close whatever the hints say, so the answer is the honest one.
  EXPECT_FALSE(x_->ConfirmCloseItemDisabled(w));
  EXPECT_TRUE(ManagerOffersClose(w));
}

TEST_F(X11CloseItemTest, KeepsTheOtherFieldsAndFunctions) {
  // Decorations and input mode set; resize, move and close allowed; and "all but minimise".
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--motif", "3,38,2,1,0"},
      {"--motif", "1,9,0,0,0"},
  }));
  ASSERT_TRUE(x_->SetCloseItemState(w_[0], kCloseItemDisabledBits));
  EXPECT_EQ(Hints(w_[0]), (std::vector<std::uint32_t>{3, 0x06, 2, 1, 0}));
  ASSERT_TRUE(x_->SetCloseItemState(w_[0], 0));
  EXPECT_EQ(Hints(w_[0]), (std::vector<std::uint32_t>{3, 0x26, 2, 1, 0}));

  ASSERT_TRUE(x_->SetCloseItemState(w_[1], kCloseItemDisabledBits | 0x100));
  EXPECT_EQ(Hints(w_[1]), (std::vector<std::uint32_t>{1, 0x16, 0, 0, 0}));
  EXPECT_TRUE(WaitUntil([&] { return x_->CloseItemState(w_[1]) == kCloseItemDisabledBits; }));
  // One bit alone means enabled.
  ASSERT_TRUE(x_->SetCloseItemState(w_[1], 0x1));
  EXPECT_EQ(Hints(w_[1]), (std::vector<std::uint32_t>{1, 0x36, 0, 0, 0}));
}

TEST_F(X11CloseItemTest, ManagerThatStillOffersCloseHasTheLastWord) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--motif", "1,30,0,0,0"},
  }));
  const WindowHandle w = w_[0];
  ASSERT_TRUE(WaitUntil([&] { return !ManagerOffersClose(w); }));
  EXPECT_EQ(x_->CloseItemState(w), kCloseItemDisabledBits);
  // As a window manager that ignores the hints would publish it.
  probe_->SetAtoms(w, "_NET_WM_ALLOWED_ACTIONS", {"_NET_WM_ACTION_MOVE", "_NET_WM_ACTION_CLOSE"});
  EXPECT_EQ(x_->CloseItemState(w), 0u);
}

TEST_F(X11AdapterTest, ProgramOfAWindow) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {},
      {"--no-pid"},
      {"--machine", "elsewhere.example"},
  }));
  X11ProcessLookup processes(*x_);
  const auto pid = processes.WindowProcess(w_[0]);
  ASSERT_EQ(pid, static_cast<ProcessId>(owner().pid()));
  EXPECT_EQ(processes.ProgramPath(*pid),
            std::filesystem::canonical(HOVERDECK_WINDOW_OWNER).string());
  // The full file name, where the kernel's command name stops at 15 characters.
  EXPECT_EQ(processes.ListedProgramName(*pid), "hoverdeck_x11_window_owner");
  EXPECT_EQ(processes.WindowProcess(w_[1]), std::nullopt);
  EXPECT_EQ(processes.WindowProcess(w_[2]), std::nullopt);
}

TEST(X11ProcessLookupTest, ProcessesThatCannotBeFound) {
  auto x = X11WindowSystem::Connect();
  ASSERT_NE(x, nullptr);
  X11ProcessLookup processes(*x);
  constexpr ProcessId kNoSuchProcess = 0x7FFFFFF0;  // beyond any pid_max
  EXPECT_EQ(processes.ProgramPath(kNoSuchProcess), "");
  EXPECT_EQ(processes.ListedProgramName(kNoSuchProcess), "");
  EXPECT_EQ(processes.ListedProgramName(0), "");
  EXPECT_EQ(processes.ProgramPath(static_cast<ProcessId>(getpid())),
            std::filesystem::canonical("/proc/self/exe").string());

  // A table without the program link: the command name stands in; no table at all: the lookup
  // itself fails.
  const auto table =
      std::filesystem::temp_directory_path() / ("hoverdeck-proc-" + std::to_string(getpid()));
  std::filesystem::create_directories(table / "self");
  std::filesystem::create_directories(table / "42");
  { std::ofstream(table / "42" / "comm") << "kworker/0:1\n"; }
  X11ProcessLookup fake_table(*x, table.string());
  EXPECT_EQ(fake_table.ListedProgramName(42), "kworker/0:1");
  EXPECT_EQ(fake_table.ProgramPath(42), "");
  X11ProcessLookup no_table(*x, (table / "missing").string());
  EXPECT_EQ(no_table.ProgramPath(42), std::nullopt);
  EXPECT_EQ(no_table.ListedProgramName(42), std::nullopt);
  std::filesystem::remove_all(table);
}

TEST_F(X11AdapterTest, VanishedWindowGetsTheFailureAnswers) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Short-lived", "--motif", "1,30,0,0,0", "--above"},
  }));
  const WindowHandle w = w_[0];
  const WindowRect at = *x_->Rect(w);
  probe_->Destroy(w);
  EXPECT_FALSE(x_->HasParent(w));
  EXPECT_FALSE(x_->IsVisible(w));
  EXPECT_FALSE(x_->IsEnabled(w));
  EXPECT_EQ(x_->Caption(w), "");
  EXPECT_FALSE(x_->SetCaption(w, "x"));
  EXPECT_FALSE(x_->IsTopmost(w));
  EXPECT_EQ(x_->Rect(w), std::nullopt);
  EXPECT_FALSE(x_->SetTopmost(w, true, at));
  EXPECT_FALSE(x_->ConfirmTopmost(w, false));
  EXPECT_EQ(x_->CloseItemState(w), std::nullopt);
  EXPECT_FALSE(x_->SetCloseItemState(w, 0));
  EXPECT_EQ(x_->NextWindow(w), kNoWindow);
  X11ProcessLookup processes(*x_);
  EXPECT_EQ(processes.WindowProcess(w), std::nullopt);
  // The connection is still good.
  EXPECT_NE(x_->FirstWindow(kNoWindow), w);
}

}  // namespace
}  // namespace hoverdeck
