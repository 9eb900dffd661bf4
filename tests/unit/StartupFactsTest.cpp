// What start-up reads and derives: command line, operating-system description, the settings
// file's place, its section "Configuration" and the hotkey, and handle text.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Hotkey.h"
#include "app/OsDescription.h"
#include "app/Settings.h"
#include "platform/WindowHandle.h"
#include "support/FormDesk.h"
#include "support/IniCorpus.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using namespace hoverdeck::testing;

TEST(StartupFactsTest, ReadsTheCorpusAsListed) {
  const auto facts = LoadIniCorpus("startup-facts.txt").lines;
  ASSERT_GE(facts.size(), 60u);
  for (const auto& fact : facts) {
    const auto& f = fact.fields;
    SCOPED_TRACE("line " + std::to_string(fact.number));
    if (fact.verb == "line") {
      ASSERT_EQ(f.size(), 3u);
      const CommandLineOptions options = ParseCommandLine(f[0]);
      EXPECT_EQ(std::string(options.invisible ? "1" : "0") + (options.silent ? "1" : "0"),
                f[1] + f[2]);
    } else if (fact.verb == "os") {
      ASSERT_EQ(f.size(), 8u);
      const auto number = [&](int i) { return std::uint32_t(std::stoul(f[i], nullptr, 0)); };
      const OsFacts os = DescribeOs({number(0), number(1), number(2), number(3), f[5], number(4)});
      EXPECT_EQ(std::tuple(os.description, os.is_nt4_or_older), std::tuple(f[6], f[7] == "1"));
    } else if (fact.verb == "place") {
      ASSERT_GE(f.size(), 5u);
      TempDir dir;
      FakeHost host(dir.File("bin"));
      if (f.size() > 5 && f[5] == "system") host.system_folder = host.directory;
      fs::create_directory(host.directory);
      if (f[0] == "1") WriteBytes(host.directory / "Hoverdeck.ini", "");
      if (f[1] == "0") host.read_only = host.directory;
      if (f[2] == "1") host.user_config = dir.File("config") / "hoverdeck";
#ifdef _WIN32
      if (!f[3].empty()) continue;
#else
      WriteBytes(dir.File("kept.ini"), "");
      if (!f[3].empty()) fs::create_symlink(dir.File(f[3]), host.directory / "Hoverdeck.ini");
#endif
      EXPECT_EQ(ConfigFilePath(host),
                (f[4] == "user" ? host.user_config : host.directory) / "Hoverdeck.ini");
    } else if (fact.verb == "hotkey") {
      const auto hotkey = ParseHotkey(f.at(0));
      EXPECT_EQ(WithLogo(hotkey ? HotkeyText(*hotkey) : "refused"), f.at(1));
    } else if (fact.verb == "held") {
      // The hotkey a start holds, and what it tells once the window is up.
      const std::string &line = f.at(0), &told = f.at(2);
      FormDesk d;
      d.hotkey.unavailable = line.starts_with('!');
      const std::string setting = line.substr(d.hotkey.unavailable ? 1 : 0);
      d.Ini("[Configuration]\n" + (setting == "-" ? "" : setting + "\n"));
      d.form.Form_Load("");
      d.form.Timer1_Timer();
      d.form.Timer1_Timer();
      EXPECT_EQ(WithLogo(d.hotkey.held ? HotkeyText(*d.hotkey.held) : "none"), f.at(1));
      ASSERT_EQ(d.dialogs.messages.size(), told.empty() ? 0u : 1u);
      EXPECT_TRUE(told.empty() || d.Said().starts_with(told)) << d.Said();
      EXPECT_TRUE(d.form.Visible());
    } else {
      ASSERT_EQ(std::tuple(fact.verb, f.size()), std::tuple("settings", 3u));
      TempDir dir;
      if (!f[0].empty()) WriteBytes(dir.File("a.ini"), "[configuration]\n" + f[0]);
      const Settings s = LoadSettings(ConfigFile(dir.File("a.ini")));
      EXPECT_EQ(Bits({s.SetAllTopMost, s.SetTopMostCaption, s.SetAllDisableX, s.Minimized}), f[1]);
      EXPECT_EQ(s.ConstTopMost, f[2]);
    }
  }
}

// Settings beside a root folder have no doubled separator; handle text is signed 32-bit decimal.
TEST(StartupFactsTest, SettingsBesideARootFolderAndHandleText) {
  const auto root = fs::current_path().root_path();
  EXPECT_EQ(ConfigFilePath(root).native(), (root / "Hoverdeck.ini").native());
  EXPECT_EQ(HandleText(0x10010) + " " + HandleText(0x80000001u), "65552 -2147483647");
  for (WindowHandle h : {0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
    EXPECT_EQ(HandleFromText(HandleText(h)), h);
  for (const char* bad : {"", "12x", "4294967295"}) EXPECT_FALSE(HandleFromText(bad)) << bad;
}

}  // namespace
}  // namespace hoverdeck
