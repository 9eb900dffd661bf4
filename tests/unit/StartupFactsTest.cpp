// Command line, operating-system description, caption, file place and handle text.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/OsDescription.h"
#include "app/ProgramConstants.h"
#include "app/Settings.h"
#include "platform/WindowHandle.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

struct CommandLineCase {
  const char* text;
  bool invisible;
  bool silent;
};

TEST(CommandLineTest, OptionsArePlainSubstringsOfTheUpperCasedLine) {
  const CommandLineCase cases[] = {
      {"", false, false},    {"-I", true, false},        {"-i", true, false}, {"x-iy", true, false},
      {"/I", false, false},  {"-x", false, false},       {"-s", false, true}, {"-S -i", true, true},
      {"- i", false, false}, {"\xC3\xA9-i", true, false}};
  for (const auto& c : cases) {
    const auto options = ParseCommandLine(c.text);
    EXPECT_EQ(options.invisible, c.invisible) << c.text;
    EXPECT_EQ(options.silent, c.silent) << c.text;
  }
}

struct OsCase {
  VersionRecord record;
  const char* description;
  bool nt4_or_older;
};

TEST(OsDescriptionTest, DescribesTheVersionRecord) {
  const OsCase cases[] = {
      {{4, 0, 1381, 2, "Service Pack 6"}, "Windows NT v.4.0, Build 1381, Service Pack 6", true},
      {{3, 51, 1057, 2, ""}, "Windows NT v.3.51, Build 1057", true},
      // On the 9x family the high half of the build holds the version and is dropped.
      {{4, 10, 0x040A08AE, 1, " A "}, "Windows 98 v.4.10, Build 2222, A", false},
      {{4, 0, 950, 1, ""}, "Windows 95 v.4.0, Build 950", false},
      {{4, 90, 0x045A0BB8, 1, ""}, " v.4.90, Build 3000", false},
      {{5, 0, 2195, 2, std::string(128, ' ')}, "Windows 2000 v.5.0, Build 2195", false},
      {{5, 1, 2600, 2, "Service Pack 3"}, "Windows XP v.5.1, Build 2600, Service Pack 3", false},
      {{5, 2, 3790, 2, ""}, "Windows Server 2003 v.5.2, Build 3790", false},
      {{6, 0, 6002, 2, ""}, "Windows Vista v.6.0, Build 6002", false},
      {{6, 2, 9200, 2, ""}, "Windows 8 v.6.2, Build 9200", false},
      {{6, 3, 9600, 2, ""}, "Windows 8.1 v.6.3, Build 9600", false},
      {{10, 0, 19045, 2, ""}, "Windows 10 v.10.0, Build 19045", false},
      {{10, 0, 21999, 2, ""}, "Windows 10 v.10.0, Build 21999", false},
      {{10, 0, 22000, 2, ""}, "Windows 11 v.10.0, Build 22000", false},
      {{10, 0, 26100, 2, ""}, "Windows 11 v.10.0, Build 26100", false},
      {{11, 0, 30000, 2, ""}, "Windows v.11.0, Build 30000", false},
      // A failed query leaves the record as it started.
      {{0, 0, 0, 0, ""}, "??? v.0.0, Build 0", false},
      // The build is the low half read as a signed number; the service text ends at a NUL.
      {{6, 1, 0xFFFF, 2, std::string("SP1\0junk", 8)}, "Windows 7 v.6.1, Build -1, SP1", false}};
  for (const auto& c : cases) {
    const OsFacts facts = DescribeOs(c.record);
    EXPECT_EQ(facts.description, c.description);
    EXPECT_EQ(facts.is_nt4_or_older, c.nt4_or_older) << c.description;
  }
}

TEST(MainWindowCaptionTest, JoinsTitleAndDescription) {
  EXPECT_EQ(MainWindowCaption("Windows NT v.4.0, Build 1381, Service Pack 6"),
            "Hoverdeck 1.1h; Windows NT v.4.0, Build 1381, Service Pack 6");
  EXPECT_EQ(MainWindowCaption(DescribeOs({4, 90, 3000, 1, ""}).description),
            "Hoverdeck 1.1h;  v.4.90, Build 3000");
  EXPECT_EQ(std::string(kMessageTitle), "Hoverdeck - 1.1h");
}

TEST(ConfigFilePathTest, LiesBesideTheExecutableWithThePlatformSeparator) {
  const auto path = ConfigFilePath(std::filesystem::path("opt") / "hoverdeck");
  EXPECT_EQ(path.filename(), "Hoverdeck.ini");
  EXPECT_EQ(path.parent_path(), std::filesystem::path("opt") / "hoverdeck");
  // A root directory does not get a doubled separator.
  const auto root = std::filesystem::current_path().root_path();
  EXPECT_EQ(ConfigFilePath(root), root / "Hoverdeck.ini");
  const auto doubled =
      std::filesystem::path::string_type(2, std::filesystem::path::preferred_separator);
  EXPECT_EQ(ConfigFilePath(root).native().find(doubled), std::filesystem::path::string_type::npos);
}

TEST(ConfigFilePathTest, FallsBackToTheUserFolderOnlyWhenTheProgramFolderIsClosed) {
  struct Case {
    bool ini_beside;
    bool folder_writable;
    bool user_folder_known;
    bool in_user_folder;
  };
  const Case cases[] = {
      {false, true, true, false},    // portable: a writable folder keeps it beside the program
      {true, false, true, false},    // an INI someone put beside a read-only program wins
      {false, false, true, true},    // installed read-only: the user's configuration folder
      {false, false, false, false},  // no user folder known: beside, as before
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    testing::FakeHost host(dir.File("bin"));
    std::filesystem::create_directory(host.directory);
    if (c.ini_beside) testing::WriteBytes(host.directory / "Hoverdeck.ini", "");
    if (!c.folder_writable) host.read_only = host.directory;
    if (c.user_folder_known) host.user_config = dir.File("config") / "hoverdeck";
    const auto expected = (c.in_user_folder ? host.user_config : host.directory) / "Hoverdeck.ini";
    EXPECT_EQ(ConfigFilePath(host), expected) << c.ini_beside << c.folder_writable;
  }
}

TEST(HandleTextTest, RoundTripsEveryHandleAsSigned32BitDecimal) {
  EXPECT_EQ(HandleText(0x10010), "65552");
  EXPECT_EQ(HandleText(0x80000001u), "-2147483647");
  EXPECT_EQ(HandleText(0xFFFFFFFFu), "-1");
  for (WindowHandle h : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0x00C0FFEEu}) {
    EXPECT_EQ(HandleFromText(HandleText(h)), h);
  }
  EXPECT_FALSE(HandleFromText(""));
  EXPECT_FALSE(HandleFromText("12x"));
  EXPECT_FALSE(HandleFromText("4294967295"));
}

}  // namespace
}  // namespace hoverdeck
