#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/ConfigFile.h"
#include "support/IniCorpus.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using testing::IniCorpus;
using testing::LoadIniCorpus;
using testing::ReadBytes;
using testing::TempDir;
using testing::Visible;
using testing::WriteBytes;

const std::string kBom = "\xEF\xBB\xBF";

std::vector<std::string> DirectoryEntries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  return names;
}

// ---- Reading and writing, from the corpora under tests/data ---------------------------------

// Every query of the corpus that the platform's profile functions are compared with, in each of
// the file's line-end forms.
TEST(ConfigFileTest, ReadsTheCorpusAsListed) {
  const IniCorpus corpus = LoadIniCorpus("profile-agreement.txt");
  ASSERT_GE(corpus.files.size(), 30u) << "corpus not found under " << HOVERDECK_TEST_DATA;
  TempDir dir;
  for (const auto& corpus_file : corpus.files) {
    for (const std::string& content : corpus_file.Forms()) {
      WriteBytes(dir.File("a.ini"), content);
      const ConfigFile file(dir.File("a.ini"));
      for (const auto& query : corpus_file.queries) {
        ASSERT_GE(query.fields.size(), 3u) << "line " << query.number;
        EXPECT_EQ(Visible(file.Read(query.fields[0], query.fields[1])), Visible(query.fields[2]))
            << corpus_file.label << " \"" << Visible(content) << "\", line " << query.number;
      }
    }
  }
  WriteBytes(dir.File("a.ini"), "[S]\nk=" + std::string(10000, 'x') + "\n");
  EXPECT_EQ(ConfigFile(dir.File("a.ini")).Read("S", "k"), std::string(10000, 'x'));
  EXPECT_EQ(ConfigFile(dir.File("none.ini")).Read("S", "k"), "");
  EXPECT_EQ(ConfigFile(dir.path()).Read("S", "k"), "");
}

// A write changes only what it must: the rest of the file keeps its bytes, its line ends and its
// byte-order mark, and no temporary file stays behind.
TEST(ConfigFileTest, WritesTheCorpusByteForByte) {
  const auto writes = LoadIniCorpus("ini-writes.txt").lines;
  ASSERT_GE(writes.size(), 30u);
  for (const auto& write : writes) {
    SCOPED_TRACE(write.verb);
    ASSERT_GE(write.fields.size(), 5u);
    const auto& f = write.fields;
    TempDir dir;
    WriteBytes(dir.File("a.ini"), f[0]);
    ConfigFile file(dir.File("a.ini"), f.size() > 5 ? LineEnding::kCrLf : LineEnding::kLf);
    ASSERT_TRUE(file.Write(f[1], f[2], f[3]));
    EXPECT_EQ(Visible(ReadBytes(dir.File("a.ini"))), Visible(f[4]));
    EXPECT_EQ(file.Read(f[1], f[2]), f[3]);
    EXPECT_EQ(DirectoryEntries(dir.path()), std::vector<std::string>{"a.ini"});
  }
}

// A missing file and its folders are made by the first write, in the chosen line ending; deleting
// from it makes nothing.
TEST(ConfigFileCreateTest, FirstWriteMakesTheFileAndItsFolders) {
  for (LineEnding ending : {LineEnding::kLf, LineEnding::kCrLf}) {
    TempDir dir;
    ConfigFile file(dir.File("config") / "hoverdeck" / "a.ini", ending);
    EXPECT_TRUE(file.DeleteSection("S"));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    ASSERT_TRUE(file.Write("S", "k", "v"));
    EXPECT_EQ(ReadBytes(file.path()),
              ending == LineEnding::kCrLf ? "[S]\r\nk=v\r\n" : "[S]\nk=v\n");
  }
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
