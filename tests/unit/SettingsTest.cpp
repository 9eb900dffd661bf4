// The section "Configuration": defaults, reading rules and single-key writes.
#include <gtest/gtest.h>

#include "app/Settings.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// A switch is on only for exactly "1" (blanks and quotes aside, names in any case); the marker is
// replaced only by a value that is not blank. A missing file gives the defaults.
TEST(SettingsTest, ReadsSwitchesAndMarker) {
  struct Case {
    std::string body;  // after the header; empty: no file at all
    bool on;
    std::string marker;
  };
  std::vector<Case> cases = {
      {"", false, "[TOPMOST] "},
      {"SetAllTopMost = 1\nsettopmostcaption=1\nSETALLDISABLEX=\"1\"\nMinimized=1\n", true,
       "[TOPMOST] "},
      {"ConstTopMost=\n", false, "[TOPMOST] "},
      {"ConstTopMost=  \n", false, "[TOPMOST] "},
      {"ConstTopMost=[TOP]\n", false, "[TOP]"}};
  for (const char* value : {"0", "yes", "01", "true", "-1", "", "1 0", "l"}) {
    std::string body;
    for (auto key : {kKeySetAllTopMost, kKeySetTopMostCaption, kKeySetAllDisableX, kKeyMinimized})
      body += std::string(key) + "=" + value + "\n";
    cases.push_back({body, false, "[TOPMOST] "});
  }
  for (const Case& c : cases) {
    TempDir dir;
    if (!c.body.empty()) WriteBytes(dir.File("a.ini"), "[configuration]\n" + c.body);
    const Settings s = LoadSettings(ConfigFile(dir.File("a.ini")));
    const bool all[] = {s.SetAllTopMost, s.SetTopMostCaption, s.SetAllDisableX, s.Minimized};
    for (bool on : all) EXPECT_EQ(on, c.on) << c.body;
    EXPECT_EQ(s.ConstTopMost, c.marker) << c.body;
  }
}

TEST(SettingsTest, ToggleFlipsAndWritesTheNewStateOnly) {
  TempDir dir;
  ConfigFile fresh(dir.File("new.ini"), LineEnding::kLf);
  bool all = false;
  ToggleSwitch(fresh, kKeySetAllTopMost, all);  // the first write makes the file with that key
  EXPECT_EQ(ReadBytes(fresh.path()), "[Configuration]\nSetAllTopMost=1\n");
  // A marker with a trailing blank comes back whole.
  ASSERT_TRUE(fresh.Write(kConfigurationSection, kKeyConstTopMost, "[TOP] "));
  EXPECT_EQ(LoadSettings(fresh).ConstTopMost, "[TOP] ");

  WriteBytes(dir.File("a.ini"), "; mine\n[Configuration]\nMinimized=0\nOther=x\n");
  ConfigFile file(dir.File("a.ini"), LineEnding::kLf);
  bool minimized = false;
  ToggleSwitch(file, kKeyMinimized, minimized);
  EXPECT_TRUE(minimized);
  EXPECT_EQ(ReadBytes(file.path()), "; mine\n[Configuration]\nMinimized=1\nOther=x\n");
  ToggleSwitch(file, kKeyMinimized, minimized);
  EXPECT_FALSE(minimized);
  EXPECT_EQ(file.Read(kConfigurationSection, kKeyMinimized), "0");

  // Where nothing can be written (the file's place is a folder) the value is kept in memory.
  std::filesystem::create_directory(dir.File("dir.ini"));
  ConfigFile folder(dir.File("dir.ini"));
  ToggleSwitch(folder, kKeySetAllTopMost, all);
  EXPECT_FALSE(all);
  EXPECT_TRUE(std::filesystem::is_directory(folder.path()));
}

}  // namespace
}  // namespace hoverdeck
