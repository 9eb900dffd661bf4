#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/ConfigFile.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
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
    ::testing::Values(
        ReadCase{"CaseInsensitive", "[Configuration]\nSetAllTopMost=1\n", "CONFIGURATION",
                 "setalltopmost", "1"},
        ReadCase{"BlanksDropped", " \t[ S \t]  \n \t Key \t= \t a  b \t\n", "S", "Key", "a  b"},
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
        ReadCase{"LoneCrEndsLines", "[S]\rk=v\rj=w\r", "S", "j", "w"},
        ReadCase{"StrayCrEndsValue", "[S]\nk=a\rb=c\n", "S", "k", "a"},
        ReadCase{"TextAfterStrayCrIsALine", "[S]\nk=a\rb=c\n", "S", "b", "c"},
        ReadCase{"CrBeforeCrLf", "[S]\r\r\nk=v\r\n", "S", "k", "v"},
        ReadCase{"HeaderWithoutBracketIgnored", "[S]\nk=1\n[ Open \nx=2\n", "S", "x", "2"},
        ReadCase{"HeaderWithoutBracketOpensNothing", "[S]\n[ Open \nx=2\n", "Open", "x", ""},
        ReadCase{"SectionNameToLastBracket", "[S]x]\nk=v\n", "S]x", "k", "v"},
        ReadCase{"NotToFirstBracket", "[S]x]\nk=v\n", "S", "k", ""},
        ReadCase{"TextAfterLastBracketIgnored", " [ S ] ; note\nk=v\n", "S", "k", "v"},
        ReadCase{"BracketInTrailingText", "[S] ; a]b\nk=v\n", "S] ; a", "k", "v"},
        ReadCase{"AskedNamesTrimmed", "[S]\nk=v\n", " \tS\t ", "\tk ", "v"},
        ReadCase{"KeyBeforeAnySection", "k=v\n[S]\n", "", "k", ""},
        ReadCase{"KeyBelongsToItsSection", "[S]\n[T]\nk=v\n", "S", "k", ""},
        ReadCase{"CommentsIgnored", "[S]\n;k=1\n  #k=2\nk=3\n", "S", "k", "3"},
        ReadCase{"LineWithoutEqualsIgnored", "[S]\nk\nk=v", "S", "k", "v"},
        ReadCase{"NulEndsValue", "[S]\nk=a\0b\nj=2\n"s, "S", "k", "a"},
        ReadCase{"NulEndsOnlyItsLine", "[S]\nk=a\0b\nj=2\n"s, "S", "j", "2"},
        // Blanks go before the cut and quotes after it, so neither goes here.
        ReadCase{"NulAfterBlanks", "[S]\nk= a  \0b\n"s, "S", "k", "a  "},
        ReadCase{"NulBeforeClosingQuote", "[S]\nk=\"a\0b\"\n"s, "S", "k", "\"a"},
        ReadCase{"NoLengthLimit", "[S]\nk=" + std::string(10000, 'x') + "\n", "S", "k",
                 std::string(10000, 'x')}),
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
        WriteCase{"LfFileEndingInLoneCr", "[S]\na=1\r", "S", "k", "v", "[S]\na=1\rk=v\n"},
        WriteCase{"CrFileReplaceInPlace", "[S]\rk = old \r[T]\rx=1", "S", "k", "new",
                  "[S]\rk = new\r[T]\rx=1"},
        WriteCase{"CrFileNewKey", "[S]\ra=1\r\r[T]\r", "S", "k", "v", "[S]\ra=1\rk=v\r\r[T]\r"},
        WriteCase{"CrFileNewSection", "[S]\ra=1", "T", "k", "v", "[S]\ra=1\r[T]\rk=v\r"},
        WriteCase{"CrFileEndingInCr", "[S]\r", "T", "k", "v", "[S]\r[T]\rk=v\r", LineEnding::kCrLf},
        WriteCase{"LfAfterNewCrLineKeepsItsLine", "[S]\ra=1\n\n[T]\r", "S", "k", "v",
                  "[S]\ra=1\nk=v\r\n\n[T]\r"},
        WriteCase{"StrayCrInValueKeepsWhatFollows", "[S]\nk=a\rb=c\n", "S", "k", "new",
                  "[S]\nk=new\rb=c\n"},
        WriteCase{"ValueWithNulReplacedWhole", "[S]\nk=a\0b\n"s, "S", "k", "c", "[S]\nk=c\n"},
        WriteCase{"HeaderWithoutBracketStaysInSection", "[S]\na=1\n[Open\n", "S", "k", "v",
                  "[S]\na=1\n[Open\nk=v\n"},
        WriteCase{"HeaderWithoutBracketIsNoSection", "[S]\n[Open\n", "Open", "k", "v",
                  "[S]\n[Open\n[Open]\nk=v\n"},
        WriteCase{"SectionNameWithBracket", "[S]\n", "S]x", "k", "v", "[S]\n[S]x]\nk=v\n"},
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
      {" S", "k"}, {"S\t", "k"}, {"S\r", "k"}, {"S\n", "k"}, {std::string("S\0", 2), "k"},
      {"S", " k"}, {"S", "k="},  {"S", "[k"},  {"S", ";k"},  {"S", "#k"},
      {"S", "k\r"}};
  TempDir dir;
  WriteBytes(dir.File("a.ini"), "[S]\nk=1\n");
  ConfigFile file(dir.File("a.ini"));
  for (const auto& [section, key] : bad) {
    EXPECT_FALSE(file.Write(section, key, "v")) << section << "/" << key;
  }
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), "[S]\nk=1\n");
}

// The line-ending style a file is in, or "mixed".
std::string EndingStyle(const std::string& content) {
  bool lf = false, crlf = false, cr = false;
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') {
      crlf = true;
      ++i;
    } else if (content[i] == '\r') {
      cr = true;
    } else if (content[i] == '\n') {
      lf = true;
    }
  }
  if (lf + crlf + cr != 1) return "mixed";
  return lf ? "LF" : crlf ? "CRLF" : "CR";
}

// Any value free of line breaks and NUL comes back exactly as written, whatever it was before,
// and the file keeps the line-ending style it started in.
TEST(ConfigFileSanitiseTest, RandomValuesRoundTrip) {
  const std::vector<std::string> pieces = {" ", "\t", "\"", "'", "=",  "[",        "]",
                                           ";", "#",  "a",  "Z", "\\", "\xC3\xA9", "\xE2\x82\xAC",
                                           "0"};
  const std::vector<std::pair<std::string, std::string>> starts = {
      {"", "CRLF"}, {"[Other]\nx=1", "LF"}, {"[Other]\rx=1\r", "CR"}, {"[Windows]\r", "CR"}};
  std::mt19937 random(20240611);
  for (const auto& [start, style] : starts) {
    SCOPED_TRACE("starting with \"" + start + "\"");
    TempDir dir;
    WriteBytes(dir.File("a.ini"), start);
    ConfigFile file(dir.File("a.ini"), LineEnding::kCrLf);
    std::map<std::string, std::string> model;
    for (int round = 0; round < 500; ++round) {
      std::string value;
      for (int n = std::uniform_int_distribution<int>(0, 8)(random); n > 0; --n) {
        value += pieces[random() % pieces.size()];
      }
      const std::string section =
          std::vector<std::string>{"Windows", "Captions", "a]b"}[random() % 3];
      const std::string key = "Win" + std::to_string(random() % 5);
      ASSERT_TRUE(file.Write(section, key, value));
      ASSERT_EQ(file.Read(section, key), value) << "round " << round;
      model[section + "/" + key] = value;
    }
    for (const auto& [name, value] : model) {
      const auto slash = name.find('/');
      EXPECT_EQ(file.Read(name.substr(0, slash), name.substr(slash + 1)), value) << name;
    }
    EXPECT_EQ(EndingStyle(ReadBytes(dir.File("a.ini"))), style);
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

TEST(ConfigFileDeleteTest, FollowsReadsLineEndsAndHeaders) {
  TempDir dir;
  // Lone CRs end lines; the unclosed header belongs to the section before it.
  WriteBytes(dir.File("a.ini"), "[A]\ra=1\r[S]\rk=0\r[Open\rk=1\r\n[B]\rb=2\r[S]x]\rc=3");
  ConfigFile file(dir.File("a.ini"));
  ASSERT_TRUE(file.DeleteSection(" \tS "));  // a name asked for is trimmed
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), "[A]\ra=1\r[B]\rb=2\r[S]x]\rc=3");
  ASSERT_TRUE(file.DeleteSection("s]X"));
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), "[A]\ra=1\r[B]\rb=2\r");
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

TEST(ConfigFileFailureTest, WriteWaitsBrieflyForAFileHeldOpenElsewhere) {
  TempDir dir;
  WriteBytes(dir.File("a.ini"), "[S]\nk=old\n");
  auto reader = std::make_unique<std::ifstream>(dir.File("a.ini"), std::ios::binary);
  ASSERT_TRUE(reader->is_open());
  // Where an open file cannot be replaced (Windows), the write must outlast a short hold.
  std::thread holder([&reader] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    reader.reset();
  });
  ConfigFile file(dir.File("a.ini"));
  const bool written = file.Write("S", "k", "new");
  holder.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(file.Read("S", "k"), "new");
}

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

TEST(ConfigFileCreateTest, MissingFoldersAreMadeByTheFirstWriteOnly) {
  TempDir dir;
  ConfigFile file(dir.File("config") / "hoverdeck" / "a.ini", LineEnding::kLf);
  EXPECT_TRUE(file.DeleteSection("S"));
  EXPECT_TRUE(fs::is_empty(dir.path()));
  ASSERT_TRUE(file.Write("S", "k", "v"));
  EXPECT_EQ(ReadBytes(file.path()), "[S]\nk=v\n");
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
    const std::string added = after.substr(content.size());
    EXPECT_TRUE(added.empty() || added == "\n" || added == "\r\n" || added == "\r") << added.size();
  }
}

}  // namespace
}  // namespace hoverdeck
