// What start-up reads and derives: command line, operating-system description, the settings
// file's place and its section "Configuration", and handle text.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/OsDescription.h"
#include "app/Settings.h"
#include "platform/WindowHandle.h"
#include "support/IniCorpus.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using namespace hoverdeck::testing;

TEST(StartupFactsTest, ReadsTheCorpusAsListed) {
  const auto facts = LoadIniCorpus("startup-facts.txt").lines;
  ASSERT_GE(facts.size(), 40u);
  for (const auto& fact : facts) {
    const auto& f = fact.fields;
    SCOPED_TRACE("line " + std::to_string(fact.number));
    if (fact.verb == "line") {
      ASSERT_EQ(f.size(), 3u);
      const CommandLineOptions options = ParseCommandLine(f[0]);
      EXPECT_EQ(std::string(options.invisible ? "1" : "0") + (options.silent ? "1" : "0"),
                f[1] + f[2]);
    } else if (fact.verb == "os") {
      ASSERT_EQ(f.size(), 7u);
      const auto number = [&](int i) { return std::uint32_t(std::stoul(f[i], nullptr, 0)); };
      const OsFacts os = DescribeOs({number(0), number(1), number(2), number(3), f[4]});
      EXPECT_EQ(os.description, f[5]);
      EXPECT_EQ(os.is_nt4_or_older, f[6] == "1");
    } else {
      ASSERT_EQ(fact.verb, "settings");
      ASSERT_EQ(f.size(), 3u);
      TempDir dir;
      if (!f[0].empty()) WriteBytes(dir.File("a.ini"), "[configuration]\n" + f[0]);
      const Settings s = LoadSettings(ConfigFile(dir.File("a.ini")));
      for (bool on : {s.SetAllTopMost, s.SetTopMostCaption, s.SetAllDisableX, s.Minimized}) {
        EXPECT_EQ(on, f[1] == "1");
      }
      EXPECT_EQ(s.ConstTopMost, f[2]);
    }
  }
}

TEST(StartupFactsTest, SettingsLieBesideTheProgramUnlessItsFolderIsClosed) {
  const auto root = fs::current_path().root_path();
  EXPECT_EQ(ConfigFilePath(root).native(),
            (root / "Hoverdeck.ini").native());  // no doubled separator
  const struct {
    bool ini_beside, folder_writable, user_folder_known, system, in_user_folder;
  } cases[] = {
      {false, true, true, false, false},    // portable: a writable folder keeps it beside
      {true, false, true, false, false},    // an INI someone put beside a read-only program wins
      {false, false, true, false, true},    // installed read-only: the user's configuration folder
      {false, false, false, false, false},  // no user folder known: beside, as before
      {true, true, true, true, true},       // a system folder, even writable (root) and with an INI
  };
  for (const auto& c : cases) {
    TempDir dir;
    FakeHost host(dir.File("bin"));
    fs::create_directory(host.directory);
    if (c.ini_beside) WriteBytes(host.directory / "Hoverdeck.ini", "");
    if (!c.folder_writable) host.read_only = host.directory;
    if (c.user_folder_known) host.user_config = dir.File("config") / "hoverdeck";
    if (c.system) host.system_folder = host.directory;
    const auto expected = (c.in_user_folder ? host.user_config : host.directory) / "Hoverdeck.ini";
    EXPECT_EQ(ConfigFilePath(host), expected) << c.ini_beside << c.folder_writable << c.system;
  }
}

TEST(StartupFactsTest, HandleTextRoundTripsEveryHandleAsSigned32BitDecimal) {
  EXPECT_EQ(HandleText(0x10010) + " " + HandleText(0x80000001u), "65552 -2147483647");
  for (WindowHandle h : {0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(HandleFromText(HandleText(h)), h);
  }
  for (const char* bad : {"", "12x", "4294967295"}) EXPECT_FALSE(HandleFromText(bad)) << bad;
}

}  // namespace
}  // namespace hoverdeck
