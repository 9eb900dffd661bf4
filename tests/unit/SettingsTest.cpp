// The section "Configuration": defaults, reading rules and single-key writes.
#include <gtest/gtest.h>

#include "app/Settings.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class SettingsTest : public ::testing::Test {
 protected:
  ConfigFile File(const std::string& content) {
    WriteBytes(dir_.File("Hoverdeck.ini"), content);
    return ConfigFile(dir_.File("Hoverdeck.ini"), LineEnding::kLf);
  }
  TempDir dir_;
};

TEST_F(SettingsTest, MissingFileGivesTheDefaults) {
  const ConfigFile file(dir_.File("Hoverdeck.ini"));
  const Settings settings = LoadSettings(file);
  EXPECT_FALSE(settings.SetAllTopMost);
  EXPECT_FALSE(settings.SetTopMostCaption);
  EXPECT_FALSE(settings.SetAllDisableX);
  EXPECT_FALSE(settings.Minimized);
  EXPECT_EQ(settings.ConstTopMost, "[TOPMOST] ");
}

TEST_F(SettingsTest, SwitchIsOnOnlyForExactlyOne) {
  for (const char* value : {"0", "yes", "01", "true", "-1", "", "1 0", "l"}) {
    const auto file = File(std::string("[Configuration]\nSetAllTopMost=") + value + "\n");
    EXPECT_FALSE(LoadSettings(file).SetAllTopMost) << value;
  }
  const auto file = File(
      "[configuration]\nSetAllTopMost = 1\nsettopmostcaption=1\nSETALLDISABLEX=\"1\"\n"
      "Minimized=1\n");
  const Settings settings = LoadSettings(file);
  EXPECT_TRUE(settings.SetAllTopMost);
  EXPECT_TRUE(settings.SetTopMostCaption);
  EXPECT_TRUE(settings.SetAllDisableX);
  EXPECT_TRUE(settings.Minimized);
}

TEST_F(SettingsTest, MarkerIsReplacedOnlyByANonEmptyValue) {
  EXPECT_EQ(LoadSettings(File("[Configuration]\nConstTopMost=\n")).ConstTopMost, "[TOPMOST] ");
  EXPECT_EQ(LoadSettings(File("[Configuration]\nConstTopMost=  \n")).ConstTopMost, "[TOPMOST] ");
  EXPECT_EQ(LoadSettings(File("[Configuration]\nConstTopMost=[TOP]\n")).ConstTopMost, "[TOP]");
}

TEST_F(SettingsTest, MarkerWithTrailingBlankComesBackWhole) {
  ConfigFile file(dir_.File("Hoverdeck.ini"), LineEnding::kLf);
  ASSERT_TRUE(file.Write(kConfigurationSection, kKeyConstTopMost, "[TOP] "));
  EXPECT_EQ(LoadSettings(file).ConstTopMost, "[TOP] ");
}

TEST_F(SettingsTest, ToggleFlipsAndWritesTheNewStateOnly) {
  auto file = File("; mine\n[Configuration]\nMinimized=0\nOther=x\n");
  bool minimized = false;
  ToggleSwitch(file, kKeyMinimized, minimized);
  EXPECT_TRUE(minimized);
  EXPECT_EQ(ReadBytes(file.path()), "; mine\n[Configuration]\nMinimized=1\nOther=x\n");
  ToggleSwitch(file, kKeyMinimized, minimized);
  EXPECT_FALSE(minimized);
  EXPECT_EQ(file.Read(kConfigurationSection, kKeyMinimized), "0");
}

TEST_F(SettingsTest, FirstWriteCreatesTheFileWithJustThatKey) {
  ConfigFile file(dir_.File("Hoverdeck.ini"), LineEnding::kLf);
  bool all = false;
  ToggleSwitch(file, kKeySetAllTopMost, all);
  EXPECT_EQ(ReadBytes(file.path()), "[Configuration]\nSetAllTopMost=1\n");
}

TEST_F(SettingsTest, FailedWriteKeepsTheValueInMemory) {
  // The file's place is a directory: nothing can be written there.
  std::filesystem::create_directory(dir_.File("Hoverdeck.ini"));
  ConfigFile file(dir_.File("Hoverdeck.ini"));
  bool all = false;
  ToggleSwitch(file, kKeySetAllTopMost, all);
  EXPECT_TRUE(all);
  EXPECT_TRUE(std::filesystem::is_directory(file.path()));
}

}  // namespace
}  // namespace hoverdeck
