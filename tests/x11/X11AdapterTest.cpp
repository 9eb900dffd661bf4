// The Linux platform layer: the X11 adapter against a real X server and a real EWMH window manager
// (IceWM, or Openbox and KWin for the tests named so), over windows that other connections own,
// checked through the probe; the processes behind windows; the description of the system.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "X11Fixture.h"
#include "platform/x11/LinuxOsFacts.h"
#include "platform/x11/X11GlobalHotkey.h"
#include "platform/x11/X11ProcessLookup.h"
#include "support/FormDesk.h"

namespace hoverdeck {
namespace {

using testing::WaitUntil;
using testing::Windows;
using X11AdapterTest = testing::X11Test;
using Values = std::vector<std::uint32_t>;

TEST(X11ConnectTest, NoDisplayGivesNoAdapter) {
  EXPECT_EQ(X11WindowSystem::Connect(":4711"), nullptr);
}

TEST_F(X11AdapterTest, WalkAndFilterQuestions) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--name", "A"},
      {"--name", "Panel", "--atoms", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK"},
      {"--name", "Dialog", "--transient-for", "0"},
      {"--name", "Desk", "--atoms", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DESKTOP"},
      {"--name", "Minimised", "--iconic"},
      {"--name", "Tip", "--override-redirect"},
      {"--name", "Hidden", "--unmapped"},
  }));
  // Top first, and neither docks nor desktops.
  EXPECT_EQ(Walk(), (Windows{w_[4], w_[2], w_[0]}));
  EXPECT_EQ(testing::Bits({x_->HasParent(w_[0]), x_->HasParent(w_[2]), x_->IsVisible(w_[0]),
                           x_->IsVisible(w_[4]), x_->IsVisible(w_[6]), x_->IsEnabled(w_[6])}),
            "011101");
  // Windows outside the list have no next one, nor has one gone but, for a moment, still listed.
  EXPECT_EQ(x_->NextWindow(w_[6]), kNoWindow);
  probe_.Unmap(w_[0]);
  EXPECT_TRUE(WaitUntil([&] { return !x_->IsVisible(w_[0]); }));
  probe_.Destroy(w_[4]);
  EXPECT_EQ(x_->NextWindow(w_[4]), kNoWindow);
}

TEST_F(X11AdapterTest, CaptionsReadInEveryEncodingAndWrittenForOtherClients) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--text", "WM_NAME", "STRING", "Caf\xe9 cr\xe8me"},
      {"--text", "WM_NAME", "COMPOUND_TEXT", "Wine \x1b%G漢字 🚀\x1b%@"},
      {"--text", "WM_NAME", "UTF8_STRING", "Ελλάδα"},
      {"--name", "New name", "--text", "WM_NAME", "STRING", "Old name"},
      {},
  }));
  std::string read;
  for (WindowHandle w : w_) read += x_->Caption(w) + "|";
  EXPECT_EQ(read, "Café crème|Wine 漢字 🚀|Ελλάδα|New name||");
  const std::string greek = "[TOPMOST] Ελληνικά 🚀";
  ASSERT_TRUE(x_->SetCaption(w_[0], greek));
  EXPECT_EQ(Names(w_[0]), "UTF8_STRING:" + greek + "|COMPOUND_TEXT:\x1b%G" + greek + "\x1b%@|");
  EXPECT_EQ(x_->Caption(w_[0]), greek);
  ASSERT_TRUE(x_->SetCaption(w_[4], "Café"));
  EXPECT_EQ(Names(w_[4]), "UTF8_STRING:Café|STRING:Caf\xe9|");
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
    probe_.Set(w_[i], cases[i].property, cases[i].type, cases[i].bytes);
  }
  for (const std::string marker : {"[TOPMOST] ", "\xce\xa9 "}) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << "window " << i << ", marker " << marker);
      const std::string caption = x_->Caption(w_[i]);
      ASSERT_FALSE(caption.empty());
      ASSERT_TRUE(x_->SetCaption(w_[i], marker + caption));
      EXPECT_EQ(x_->Caption(w_[i]), marker + caption);
      EXPECT_TRUE(probe_.Read(w_[i], cases[i].property)->bytes.ends_with(cases[i].bytes));
      ASSERT_TRUE(x_->SetCaption(w_[i], caption));
      const std::string own = std::string(cases[i].type) + ":" + cases[i].bytes + "|";
      EXPECT_EQ(Names(w_[i]),
                cases[i].property == std::string_view("WM_NAME") ? ":|" + own : own + ":|");
    }
  }
}

TEST_F(X11AdapterTest, TopmostSwitchesInPlaceAndTheWalkFollowsTheLift) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--name", "Bottom"},
      {"--name", "Middle"},
      {"--name", "Above", "--atoms", "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"},
  }));
  ASSERT_EQ(testing::Bits({x_->IsTopmost(w_[2]), x_->IsTopmost(w_[0])}), "10");
  ASSERT_EQ(Walk(), (Windows{w_[2], w_[1], w_[0]}));
  const auto before = x_->Rect(w_[0]);
  ASSERT_TRUE(before && before->right - before->left == 320 && before->bottom - before->top == 200);

  ASSERT_TRUE(x_->SetTopmost(w_[0], true, *before));
  EXPECT_EQ(testing::Bits({x_->ConfirmTopmost(w_[0], true),
                           probe_.HasAtom(w_[0], "_NET_WM_STATE", "_NET_WM_STATE_ABOVE")}),
            "11");
  EXPECT_EQ(x_->Rect(w_[0]), before);
  // The window manager restacks in its own time; from then on the walk follows.
  EXPECT_TRUE(WaitUntil([&] { return Walk() == Windows{w_[0], w_[2], w_[1]}; }));

  ASSERT_TRUE(x_->SetTopmost(w_[0], false, *before));
  EXPECT_EQ(testing::Bits({x_->ConfirmTopmost(w_[0], false),
                           probe_.HasAtom(w_[0], "_NET_WM_STATE", "_NET_WM_STATE_ABOVE")}),
            "10");
  EXPECT_EQ(x_->Rect(w_[0]), before);
  // Asked off again, it stays off: nothing asked, nothing reached.
  ASSERT_TRUE(x_->SetTopmost(w_[0], false, *before));
  EXPECT_FALSE(x_->ConfirmTopmost(w_[0], true));
}

// The popup command "Disable X button" through the main window's handler: the answer the user
// gets follows what the window manager really did.
class X11CloseCommandTest : public X11AdapterTest {
 protected:
  // Runs the command on the window listed as `caption`; dialogs_ holds what the user was told.
  void DisableX(const std::string& caption) {
    X11ProcessLookup processes(*x_);
    testing::FormDesk desk({x_.get(), &processes, nullptr, &dialogs_});
    desk.form.Form_Load("");
    desk.Pick(caption);
    desk.form.mnuDisableX_Click();
  }
  testing::ScriptedDialogs dialogs_;
};

// IceWM takes close off the window's actions (a pager may still close it); Openbox ignores the
// hints, so the close box could not be disabled; KWin honours them, keeping close listed.
TEST_F(X11CloseCommandTest, AnswersAsTheWindowManagerActsUnderEveryManager) {
  const std::string_view wm =
      std::getenv("HOVERDECK_X11_WM") ? std::getenv("HOVERDECK_X11_WM") : "icewm";
  const bool disables = wm != "openbox", listed = wm != "icewm";
  // No process id: a close the manager carries out ends the owner's connection, not this process.
  ASSERT_NO_FATAL_FAILURE(Open({{"--name", "Closable", "--no-pid"}}));
  const WindowHandle w = w_[0];
  dialogs_.input_answers = {"", ""};  // no rule
  ASSERT_NO_FATAL_FAILURE(DisableX("Closable"));
  // Decided at once, before the manager republished its allowed actions.
  EXPECT_EQ(dialogs_.inputs.size(), disables ? 1u : 0u);
  EXPECT_EQ(dialogs_.messages.empty() ? "" : dialogs_.messages[0].text,
            disables ? ""
                     : "The X close box of 'Closable' could not be disabled: the window has "
                       "closed or does not allow it.");
  EXPECT_EQ(MotifHints(w), (Values{1, 0x1E, 0, 0, 0}));
  EXPECT_EQ(probe_.Read(w, "_MOTIF_WM_HINTS")->type, "_MOTIF_WM_HINTS");
  EXPECT_TRUE(WaitUntil([&] { return ManagerOffersClose(w) == listed; }));
  if (disables) {  // given back without a question, then taken away again
    ASSERT_NO_FATAL_FAILURE(DisableX("Closable"));
    EXPECT_EQ(MotifHints(w), (Values{0, 0, 0, 0, 0}));
    EXPECT_TRUE(WaitUntil([&] { return ManagerOffersClose(w); }));
    ASSERT_NO_FATAL_FAILURE(DisableX("Closable"));
    EXPECT_EQ(dialogs_.inputs.size(), 2u);
  }
  // A pager's close request, then a harmless one: the window is gone, or the second was done.
  // IceWM closes only windows that take WM_DELETE_WINDOW, which a test window cannot answer.
  if (wm == "icewm") return;
  probe_.Ask(w, "_NET_CLOSE_WINDOW", {0, 2});
  probe_.Ask(w, "_NET_WM_STATE", {1, probe_.Atom("_NET_WM_STATE_SKIP_PAGER"), 0, 2});
  ASSERT_TRUE(WaitUntil([&] {
    return !probe_.Read(w, "WM_STATE") ||
           probe_.HasAtom(w, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_PAGER");
  }));
  EXPECT_EQ(probe_.Read(w, "WM_STATE").has_value(), disables);
}

TEST_F(X11AdapterTest, TheWindowManagerIsNamedAgainOnceItsCheckWindowGoesUnderOpenbox) {
  // Openbox offers close whatever the hints say; a check window naming KWin in its place is
  // trusted on them, until it is gone.
  ASSERT_NO_FATAL_FAILURE(Open({{"--motif", "1,30,0,0,0"}}));
  const auto openbox = probe_.Read(probe_.root, "_NET_SUPPORTING_WM_CHECK")->values;
  const WindowHandle check = OpenMore({{"--name", "KWin", "--unmapped"}}).at(0);
  probe_.Set(check, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {check});
  EXPECT_EQ(x_->CloseItemState(w_[0]), 0u);
  probe_.Set(probe_.root, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {check});
  EXPECT_TRUE(WaitUntil([&] { return x_->CloseItemState(w_[0]) == kCloseItemDisabledBits; }));
  probe_.Destroy(check);
  EXPECT_TRUE(WaitUntil([&] { return x_->CloseItemState(w_[0]) == 0u; }));
  probe_.Set(probe_.root, "_NET_SUPPORTING_WM_CHECK", "WINDOW", openbox);
}

TEST_F(X11AdapterTest, CloseItemKeepsTheWindowsOtherHints) {
  // Decorations and input mode set; resize, move and close allowed.
  ASSERT_NO_FATAL_FAILURE(Open({{"--motif", "3,38,2,1,0"}}));
  ASSERT_TRUE(x_->SetCloseItemState(w_[0], kCloseItemDisabledBits | 0x100));
  EXPECT_EQ(MotifHints(w_[0]), (Values{3, 0x06, 2, 1, 0}));
  EXPECT_TRUE(WaitUntil([&] { return x_->CloseItemState(w_[0]) == kCloseItemDisabledBits; }));
  ASSERT_TRUE(x_->SetCloseItemState(w_[0], 0x1));  // one bit alone means enabled
  EXPECT_EQ(MotifHints(w_[0]), (Values{3, 0x26, 2, 1, 0}));
}

TEST_F(X11AdapterTest, ProgramOfAWindowAndWindowsWhoseProcessCannotBeFound) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {},
      {"--no-pid"},
      {"--text", "WM_CLIENT_MACHINE", "STRING", "elsewhere.example"},
      {"--text", "WM_CLIENT_MACHINE", "STRING", ""},  // no machine named: this one
  }));
  X11ProcessLookup processes(*x_);
  const auto pid = processes.WindowProcess(w_[0]);
  ASSERT_EQ(pid, static_cast<ProcessId>(getpid()));
  EXPECT_EQ(processes.ProgramPath(*pid), std::filesystem::canonical("/proc/self/exe").string());
  // The full file name, where the kernel's command name stops at 15 characters.
  EXPECT_EQ(processes.ListedProgramName(*pid), "hoverdeck_x11_tests");
  EXPECT_EQ(testing::Bits({processes.WindowProcess(w_[1]).has_value(),
                           processes.WindowProcess(w_[2]).has_value(),
                           processes.WindowProcess(w_[3]).has_value()}),
            "001");
  EXPECT_EQ(processes.ProgramPath(0x7FFFFFF0), "");  // beyond any pid_max
  // Windows of other processes: a running one; one that has ended but not been waited for, whose
  // program file is gone while the kernel still has its command name; one gone altogether.
  const auto start = [](const char* program, const char* argument) {
    const pid_t child = fork();
    if (child == 0) execl(program, program, argument, nullptr), _exit(127);
    return child;
  };
  const pid_t sleeper = start("/bin/sleep", "30"), ended = start("/bin/true", nullptr);
  const auto name = [&](pid_t pid) {  // the pid as the window tells it, path and name
    probe_.Set(w_[0], "_NET_WM_PID", "CARDINAL", {static_cast<std::uint32_t>(pid)});
    return std::to_string(processes.WindowProcess(w_[0]).value_or(0) == ProcessId(pid)) + "|" +
           processes.ProgramPath(pid).value_or("?") + "|" +
           processes.ListedProgramName(pid).value_or("?");
  };
  const std::string sleeping = "1|" + std::filesystem::canonical("/bin/sleep").string() + "|sleep";
  EXPECT_TRUE(WaitUntil([&] { return name(sleeper) == sleeping; })) << name(sleeper);
  ASSERT_TRUE(WaitUntil([&] { return name(ended) == "1||true"; })) << name(ended);
  kill(sleeper, SIGKILL);
  waitpid(sleeper, nullptr, 0);
  waitpid(ended, nullptr, 0);
  EXPECT_EQ(name(ended), "1||");
}

// A combination another client holds with some lock states alone is taken, and the grabs that
// did succeed are let go: none is left behind.
TEST(X11HotkeyTest, ACombinationTakenInPartIsLetGoOfWhole) {
  testing::Probe other;
  const xcb_setup_t* setup = xcb_get_setup(other.c());
  const int count = setup->max_keycode - setup->min_keycode + 1;
  std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> map(
      xcb_get_keyboard_mapping_reply(
          other.c(), xcb_get_keyboard_mapping(other.c(), setup->min_keycode, count), nullptr),
      &std::free);
  ASSERT_NE(map, nullptr);
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
  const auto t =
      setup->min_keycode +
      (std::find(syms, syms + count * map->keysyms_per_keycode, xcb_keysym_t{'t'}) - syms) /
          map->keysyms_per_keycode;
  const auto grab = [&](std::uint16_t state) {  // T, as another client may hold it
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(
            other.c(), xcb_grab_key_checked(other.c(), 1, other.root, state, t, XCB_GRAB_MODE_ASYNC,
                                            XCB_GRAB_MODE_ASYNC)),
        &std::free);
    return error == nullptr;
  };
  const std::uint16_t ctrl_shift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
  ASSERT_TRUE(grab(ctrl_shift));
  const auto hotkey = X11GlobalHotkey::Connect();
  ASSERT_NE(hotkey, nullptr);
  EXPECT_EQ(hotkey->Hold({Hotkey::kCtrl | Hotkey::kShift, "T"}), HotkeyHold::kTaken);
  // Let go of, once the server has read the adapter's requests.
  EXPECT_TRUE(WaitUntil([&] { return grab(ctrl_shift | XCB_MOD_MASK_LOCK); }));
}

TEST(LinuxOsFactsTest, DescriptionHasKernelVersionBuildZeroAndDistribution) {
  EXPECT_EQ(DescribeLinux("Linux", "6.1.0-18-amd64",
                          "NAME=x\n# PRETTY_NAME=no\nPRETTY_NAME=\"Debian \\\"12\\\"\"\r\n")
                .description,
            "Linux v.6.1, Build 0, Debian \"12\"");
  EXPECT_TRUE(LinuxOsFacts().description.starts_with("Linux v.")) << LinuxOsFacts().description;
}

}  // namespace
}  // namespace hoverdeck
