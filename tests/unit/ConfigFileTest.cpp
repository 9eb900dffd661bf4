#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "app/ConfigFile.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::string kBom = "\xEF\xBB\xBF";

std::vector<std::string> DirectoryEntries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  return names;
}

// Names parameterised cases after their label.
template <typename Case>
std::string CaseLabel(const ::testing::TestParamInfo<Case>& test) {
  return test.param.label;
}

// ---- Reading -------------------------------------------------------------------------------

struct ReadCase {
  const char* label;
  std::string content;
  std::string section;
  std::string key;
  std::string expected;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.label; }

class ConfigFileReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ConfigFileReadTest, ReadsValue) {
  TempDir dir;
  WriteBytes(dir.File("a.ini"), GetParam().content);
  EXPECT_EQ(ConfigFile(dir.File("a.ini")).Read(GetParam().section, GetParam().key),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConfigFileReadTest,
    ::testing::Values(ReadCase{"CaseInsensitive", "[Configuration]\nSetAllTopMost=1\n",
                               "CONFIGURATION", "setalltopmost", "1"},
                      ReadCase{"BlanksDropped", " \t[ S \t]  \n \t Key \t= \t a  b \t\n", "S",
                               "Key", "a  b"},
                      ReadCase{"DoubleQuotes", "[S]\nk= \" padded \" \n", "S", "k", " padded "},
                      ReadCase{"SingleQuotes", "[S]\nk='x'\n", "S", "k", "x"},
                      ReadCase{"OnlyOnePair", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
                      ReadCase{"UnlikeQuotesKept", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
                      ReadCase{"LoneQuoteKept", "[S]\nk=\"\n", "S", "k", "\""},
                      ReadCase{"SplitAtFirstEquals", "[S]\nk = a=b\n", "S", "k", "a=b"},
                      ReadCase{"EmptyValue", "[S]\nk=\nk=late\n", "S", "k", ""},
                      ReadCase{"FirstDuplicateKey", "[S]\nk=1\nK=2\n", "S", "k", "1"},
                      ReadCase{"FirstDuplicateSection", "[S]\nk=1\n[s]\nk=2\n", "S", "k", "1"},
                      ReadCase{"OnlyFirstSectionConsulted", "[S]\na=1\n[S]\nk=2\n", "S", "k", ""},
                      ReadCase{"ByteOrderMarkSkipped", kBom + "[S]\nk=v\n", "S", "k", "v"},
                      ReadCase{"CrLf", "[S]\r\nk=v\r\n", "S", "k", "v"},
                      ReadCase{"CrLfMissingLastLf", "[S]\r\nk=v\r", "S", "k", "v"},
                      ReadCase{"HeaderWithoutBracket", "[ Open Sec \nk=v\n", "Open Sec", "k", "v"},
                      ReadCase{"KeyBeforeAnySection", "k=v\n[S]\n", "", "k", ""},
                      ReadCase{"KeyBelongsToItsSection", "[S]\n[T]\nk=v\n", "S", "k", ""},
                      ReadCase{"CommentsIgnored", "[S]\n;k=1\n  #k=2\nk=3\n", "S", "k", "3"},
                      ReadCase{"LineWithoutEqualsIgnored", "[S]\nk\nk=v", "S", "k", "v"},
                      ReadCase{"NulBytesAreText", std::string("[S]\nk=a\0b\n", 9), "S", "k",
                               std::string("a\0b", 3)},
                      ReadCase{"NoLengthLimit", "[S]\nk=" + std::string(10000, 'x') + "\n", "S",
                               "k", std::string(10000, 'x')}),
    CaseLabel<ReadCase>);

TEST(ConfigFileReadMissingTest, MissingOrUnreadableFileReadsEmpty) {
  TempDir dir;
  EXPECT_EQ(ConfigFile(dir.File("none.ini")).Read("S", "k"), "");
  EXPECT_EQ(ConfigFile(dir.path()).Read("S", "k"), "");
}

// ---- Writing -------------------------------------------------------------------------------

struct WriteCase {
  const char* label;
  std::string before;
  std::string section;
  std::string key;
  std::string value;
  std::string after;
  LineEnding new_file_ending = LineEnding::kLf;
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.label; }

class ConfigFileWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ConfigFileWriteTest, ChangesOnlyWhatItMust) {
  const WriteCase& c = GetParam();
  TempDir dir;
  WriteBytes(dir.File("a.ini"), c.before);
  ConfigFile file(dir.File("a.ini"), c.new_file_ending);
  ASSERT_TRUE(file.Write(c.section, c.key, c.value));
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), c.after);
  EXPECT_EQ(file.Read(c.section, c.key), c.value);
  EXPECT_EQ(DirectoryEntries(dir.path()), std::vector<std::string>{"a.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    Layout, ConfigFileWriteTest,
    ::testing::Values(
        WriteCase{"ReplaceInPlaceCrLf", "; top\r\n[S]\r\n  Key = old \r\n\r\n[T]\r\nx=1", "s",
                  "KEY", "new", "; top\r\n[S]\r\n  Key = new\r\n\r\n[T]\r\nx=1"},
        WriteCase{"ReplaceLastLineWithoutNewline", "[S]\nk=old", "S", "k", "new", "[S]\nk=new"},
        WriteCase{"ReplaceFirstDuplicate", "[S]\nk=1\nk=2\n[S]\nk=3\n", "S", "k", "9",
                  "[S]\nk=9\nk=2\n[S]\nk=3\n"},
        WriteCase{"NewKeyBeforeBlankLines", "[S]\na=1\n\n\n[T]\nb=2\n", "S", "k", "v",
                  "[S]\na=1\nk=v\n\n\n[T]\nb=2\n"},
        WriteCase{"NewKeyAfterTrailingComment", "[S]\na=1\n; note\n\n[T]\n", "S", "k", "v",
                  "[S]\na=1\n; note\nk=v\n\n[T]\n"},
        WriteCase{"NewKeyInFirstDuplicateSection", "[S]\na=1\n[S]\nb=2\n", "S", "k", "v",
                  "[S]\na=1\nk=v\n[S]\nb=2\n"},
        WriteCase{"NewKeyAfterUnterminatedLine", "[S]\r\na=1", "S", "k", "v",
                  "[S]\r\na=1\r\nk=v\r\n"},
        WriteCase{"NewKeyAfterLoneCrAtEnd", "[S]\r\na=1\r", "S", "k", "v", "[S]\r\na=1\r\nk=v\r\n"},
        WriteCase{"NewKeyUnderBareHeader", "[S]", "S", "k", "v", "[S]\r\nk=v\r\n",
                  LineEnding::kCrLf},
        WriteCase{"NewSectionAtEnd", "[S]\na=1\n\n", "T", "k", "v", "[S]\na=1\n\n[T]\nk=v\n"},
        WriteCase{"NewSectionUsesFileEnding", "[S]\r\na=1", "T", "k", "v",
                  "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
        WriteCase{"FileWithoutTerminatorUsesNewFileEnding", "junk", "T", "k", "v",
                  "junk\r\n[T]\r\nk=v\r\n", LineEnding::kCrLf},
        WriteCase{"ByteOrderMarkKept", kBom + "[S]\r\nk=1\r\n", "S", "k", "2",
                  kBom + "[S]\r\nk=2\r\n"},
        WriteCase{"ByteOrderMarkOnly", kBom, "S", "k", "v", kBom + "[S]\nk=v\n"},
        WriteCase{"PlainValue", "", "Windows", "Win1", "Notepad", "[Windows]\nWin1=Notepad\n"},
        WriteCase{"LeadingBlankQuoted", "", "S", "k", " x", "[S]\nk=\" x\"\n"},
        WriteCase{"TrailingTabQuoted", "", "S", "k", "x\t", "[S]\nk=\"x\t\"\n"},
        WriteCase{"QuotedValueQuotedAgain", "", "S", "k", "'q'", "[S]\nk=\"'q'\"\n"},
        WriteCase{"UnlikeQuotesPlain", "", "S", "k", "\"q'", "[S]\nk=\"q'\n"},
        WriteCase{"LoneQuotePlain", "", "S", "k", "\"", "[S]\nk=\"\n"}),
    CaseLabel<WriteCase>);

TEST(ConfigFileCreateTest, CreatesMissingFileWithChosenEnding) {
  for (LineEnding ending : {LineEnding::kLf, LineEnding::kCrLf}) {
    TempDir dir;
    ASSERT_TRUE(ConfigFile(dir.File("new.ini"), ending).Write("S", "k", "v"));
    EXPECT_EQ(ReadBytes(dir.File("new.ini")),
              ending == LineEnding::kCrLf ? "[S]\r\nk=v\r\n" : "[S]\nk=v\n");
  }
  TempDir dir;
  ASSERT_TRUE(ConfigFile(dir.File("native.ini")).Write("S", "k", "v"));
  EXPECT_EQ(ReadBytes(dir.File("native.ini")),
            kNativeLineEnding == LineEnding::kCrLf ? "[S]\r\nk=v\r\n" : "[S]\nk=v\n");
}

TEST(ConfigFileSanitiseTest, ValueCannotInjectLinesOrSections) {
  TempDir dir;
  const std::string before = "[Configuration]\r\nSetAllTopMost=0\r\n[Caption]\r\n";
  WriteBytes(dir.File("a.ini"), before);
  ConfigFile file(dir.File("a.ini"));
  const std::string caption("x\r\n[Configuration]\r\nSetAllTopMost=1\0[Evil]", 42);
  ASSERT_TRUE(file.Write("Caption", "Win1", caption));
  ASSERT_TRUE(file.Write("Fresh", "Win1", "a\n[Evil]\nk=1"));
  EXPECT_EQ(file.Read("Caption", "Win1"), "x  [Configuration]  SetAllTopMost=1 [Evil]");
  EXPECT_EQ(file.Read("Configuration", "SetAllTopMost"), "0");
  EXPECT_EQ(file.Read("Evil", "k"), "");
  EXPECT_EQ(ReadBytes(dir.File("a.ini")),
            before + "Win1=x  [Configuration]  SetAllTopMost=1 [Evil]\r\n" +
                "[Fresh]\r\nWin1=a [Evil] k=1\r\n");
}

TEST(ConfigFileSanitiseTest, RefusesNamesThatCouldNotBeReadBack) {
  const std::vector<std::pair<std::string, std::string>> bad = {
      {" S", "k"}, {"S\t", "k"}, {"S]", "k"}, {"S\n", "k"}, {std::string("S\0", 2), "k"},
      {"S", " k"}, {"S", "k="},  {"S", "[k"}, {"S", ";k"},  {"S", "#k"},
      {"S", "k\r"}};
  TempDir dir;
  WriteBytes(dir.File("a.ini"), "[S]\nk=1\n");
  ConfigFile file(dir.File("a.ini"));
  for (const auto& [section, key] : bad) {
    EXPECT_FALSE(file.Write(section, key, "v")) << section << "/" << key;
  }
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), "[S]\nk=1\n");
}

// Any value free of line breaks and NUL comes back exactly as written, whatever it was before.
TEST(ConfigFileSanitiseTest, RandomValuesRoundTrip) {
  const std::vector<std::string> pieces = {" ", "\t", "\"", "'", "=",  "[",        "]",
                                           ";", "#",  "a",  "Z", "\\", "\xC3\xA9", "\xE2\x82\xAC",
                                           "0"};
  std::mt19937 random(20240611);
  TempDir dir;
  ConfigFile file(dir.File("a.ini"), LineEnding::kCrLf);
  std::map<std::string, std::string> model;
  for (int round = 0; round < 1500; ++round) {
    std::string value;
    for (int n = std::uniform_int_distribution<int>(0, 8)(random); n > 0; --n) {
      value += pieces[random() % pieces.size()];
    }
    const std::string section = (random() % 2) ? "Windows" : "Captions";
    const std::string key = "Win" + std::to_string(random() % 5);
    ASSERT_TRUE(file.Write(section, key, value));
    ASSERT_EQ(file.Read(section, key), value) << "round " << round;
    model[section + "/" + key] = value;
  }
  for (const auto& [name, value] : model) {
    const auto slash = name.find('/');
    EXPECT_EQ(file.Read(name.substr(0, slash), name.substr(slash + 1)), value) << name;
  }
}

// ---- Deleting ------------------------------------------------------------------------------

TEST(ConfigFileDeleteTest, RemovesEveryDuplicateAndNothingElse) {
  TempDir dir;
  WriteBytes(
      dir.File("a.ini"),
      kBom + "[S]\r\nk=0\r\n; c\r\n[A]\r\na=1\r\n[s]\r\nk=1\r\n\r\n[B]\r\nb=2\r\n[ S ]\r\nk=2");
  ConfigFile file(dir.File("a.ini"));
  ASSERT_TRUE(file.DeleteSection("S"));
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), kBom + "[A]\r\na=1\r\n[B]\r\nb=2\r\n");
  // Rewriting the catalogue at the end leaves no stale duplicate to be read first.
  ASSERT_TRUE(file.Write("S", "k", "new"));
  EXPECT_EQ(file.Read("S", "k"), "new");
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), kBom + "[A]\r\na=1\r\n[B]\r\nb=2\r\n[S]\r\nk=new\r\n");
}

TEST(ConfigFileDeleteTest, NothingToRemoveRewritesNothing) {
  TempDir dir;
  WriteBytes(dir.File("a.ini"), "[A]\na=1\n");
  // An old modification time tells whether the file was replaced.
  fs::last_write_time(dir.File("a.ini"),
                      fs::file_time_type::clock::now() - std::chrono::hours(24 * 365));
  const auto old_time = fs::last_write_time(dir.File("a.ini"));  // as the file system keeps it
  ConfigFile file(dir.File("a.ini"));
  EXPECT_TRUE(file.DeleteSection("S"));
  EXPECT_EQ(fs::last_write_time(dir.File("a.ini")), old_time);
  EXPECT_TRUE(file.DeleteSection("a"));
  EXPECT_NE(fs::last_write_time(dir.File("a.ini")), old_time);
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), "");

  EXPECT_TRUE(ConfigFile(dir.File("none.ini")).DeleteSection("S"));
  EXPECT_FALSE(fs::exists(dir.File("none.ini")));
}

// ---- Failures and bad input ----------------------------------------------------------------

TEST(ConfigFileFailureTest, PathIsDirectoryChangesNothing) {
  TempDir dir;
  fs::create_directory(dir.File("a.ini"));
  WriteBytes(dir.File("a.ini") / "inside", "[S]\nk=1\n");
  ConfigFile file(dir.File("a.ini"));
  EXPECT_FALSE(file.Write("S", "k", "v"));
  EXPECT_FALSE(file.DeleteSection("S"));
  EXPECT_TRUE(fs::is_directory(dir.File("a.ini")));
  EXPECT_EQ(ReadBytes(dir.File("a.ini") / "inside"), "[S]\nk=1\n");
  EXPECT_EQ(DirectoryEntries(dir.path()), std::vector<std::string>{"a.ini"});
  EXPECT_EQ(DirectoryEntries(dir.File("a.ini")), std::vector<std::string>{"inside"});
}

TEST(ConfigFileFailureTest, MissingDirectoryCreatesNothing) {
  TempDir dir;
  ConfigFile file(dir.File("gone") / "a.ini");
  EXPECT_FALSE(file.Write("S", "k", "v"));
  EXPECT_TRUE(file.DeleteSection("S"));
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(ConfigFileFailureTest, LongFileNameStillWritable) {
  TempDir dir;
  const fs::path path = dir.File(std::string(250, 'n') + ".ini");
  WriteBytes(path, "[S]\nk=1\n");
  ASSERT_TRUE(ConfigFile(path).Write("S", "k", "2"));
  EXPECT_EQ(ReadBytes(path), "[S]\nk=2\n");
  EXPECT_EQ(DirectoryEntries(dir.path()).size(), 1u);
}

TEST(ConfigFileFailureTest, JunkAndHugeFilesStayUsable) {
  TempDir dir;
  std::mt19937 random(7);
  std::string junk(1 << 16, '\0');
  for (char& c : junk) c = static_cast<char>(random());
  std::string huge;
  for (int i = 0; i < 40000; ++i)
    huge += "[Sec" + std::to_string(i) + "]\nkey=" + junk.substr(0, 80) + "\n";
  for (const std::string& content :
       {junk, huge, std::string(3u << 20, '['), std::string(3u << 20, '\n')}) {
    WriteBytes(dir.File("a.ini"), content);
    ConfigFile file(dir.File("a.ini"));
    EXPECT_EQ(file.Read("Nope", "k"), "");
    ASSERT_TRUE(file.Write("Target", "k", "v"));
    EXPECT_EQ(file.Read("Target", "k"), "v");
    ASSERT_TRUE(file.DeleteSection("Target"));
    // Back to the old bytes, at most with a terminator added to the last line.
    const std::string after = ReadBytes(dir.File("a.ini"));
    ASSERT_EQ(after.substr(0, content.size()), content);
    EXPECT_TRUE(after.size() == content.size() || after.substr(content.size()) == "\n" ||
                after.substr(content.size()) == "\r\n");
  }
}

}  // namespace
}  // namespace hoverdeck
