// Our INI engine (ConfigFile) against the platform's profile functions on the same files: it
// reads what GetPrivateProfileStringW reads, except where the corpus lists a difference and why.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ConfigFile.h"
#include "platform/win32/WideText.h"
#include "support/IniCorpus.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using testing::CorpusFile;
using testing::CorpusLine;
using testing::IniCorpus;
using testing::LoadIniCorpus;
using testing::ReadBytes;
using testing::TempDir;
using testing::Visible;
using testing::WriteBytes;
using win32::Narrow;
using win32::Widen;

std::string PlatformRead(const fs::path& file, const std::string& section, const std::string& key,
                         DWORD buffer_size = 32768) {
  std::wstring buffer(buffer_size, L'\0');
  buffer.resize(GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"",
                                         buffer.data(), buffer_size, file.c_str()));
  return Narrow(buffer);
}

// Every file gets a name of its own: the platform caches recently read files by name.
fs::path FreshFile(const TempDir& dir) {
  static std::atomic<unsigned> counter{0};
  return dir.File("profile-" + std::to_string(counter++) + ".ini");
}

TEST(ProfileAgreementTest, CorpusReadsAsThePlatformReadsWhereverNoDifferenceIsListed) {
  const IniCorpus corpus = LoadIniCorpus("profile-agreement.txt");
  ASSERT_GE(corpus.files.size(), 30u) << "corpus not found under " << HOVERDECK_TEST_DATA;
  TempDir dir;
  int checked = 0;
  for (const CorpusFile& corpus_file : corpus.files) {
    for (const std::string& content : corpus_file.Forms()) {
      const fs::path file = FreshFile(dir);
      WriteBytes(file, content);
      const ConfigFile config(file);
      for (const CorpusLine& query : corpus_file.queries) {
        SCOPED_TRACE(corpus_file.label + " \"" + Visible(content) + "\", line " +
                     std::to_string(query.number));
        const auto& f = query.fields;
        const bool same = query.verb == "same";
        ASSERT_TRUE(same ? f.size() == 3 : f.size() == 4 || f.size() == 5);
        const DWORD buffer = f.size() == 5 ? static_cast<DWORD>(std::stoul(f[4])) : 32768;
        EXPECT_EQ(Visible(config.Read(f[0], f[1])), Visible(f[2]));
        EXPECT_EQ(Visible(PlatformRead(file, f[0], f[1], buffer)), Visible(same ? f[2] : f[3]));
        if (!same) {
          EXPECT_NE(f[2], f[3]) << "a listed difference that is none";
        }
        ++checked;
      }
    }
  }
  EXPECT_GE(checked, 200);
}

// Values written by one side read back the same on both.
TEST(ProfileAgreementTest, ValuesWrittenByEitherSideReadTheSameOnBoth) {
  const std::vector<CorpusLine> writes = LoadIniCorpus("profile-agreement.txt").lines;
  ASSERT_GE(writes.size(), 30u);
  TempDir dir;
  const fs::path theirs = FreshFile(dir);
  const fs::path ours = FreshFile(dir);
  ConfigFile our_config(ours, LineEnding::kCrLf);
  for (std::size_t i = 0; i < writes.size(); ++i) {
    const CorpusLine& write = writes[i];
    ASSERT_EQ(write.fields.size(), 2u) << "line " << write.number;
    const std::wstring key = L"Win" + std::to_wstring(i);
    if (write.verb == "platform-writes") {
      ASSERT_TRUE(WritePrivateProfileStringW(L"Windows", key.c_str(),
                                             Widen(write.fields[0]).c_str(), theirs.c_str()));
    } else {
      ASSERT_TRUE(our_config.Write("Windows", Narrow(key), write.fields[0]));
    }
  }
  // The platform keeps files it wrote in memory; this writes its copy out.
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, theirs.c_str());
  for (std::size_t i = 0; i < writes.size(); ++i) {
    const CorpusLine& write = writes[i];
    SCOPED_TRACE("line " + std::to_string(write.number));
    const fs::path& file = write.verb == "platform-writes" ? theirs : ours;
    const std::string key = "Win" + std::to_string(i);
    EXPECT_EQ(Visible(ConfigFile(file).Read("Windows", key)), Visible(write.fields[1]));
    EXPECT_EQ(Visible(PlatformRead(file, "Windows", key)), Visible(write.fields[1]));
  }
}

// We read UTF-8; the platform reads a file without byte-order mark in the system code page, and
// with the mark as UTF-8.
TEST(ProfileAgreementTest, Utf8WhereThePlatformUsesTheCodePage) {
  const std::string cafe = "caf\xC3\xA9";
  TempDir dir;
  const fs::path with_mark = FreshFile(dir);
  WriteBytes(with_mark, "\xEF\xBB\xBF[S]\r\nk=" + cafe + "\r\n");
  EXPECT_EQ(ConfigFile(with_mark).Read("S", "k"), cafe);
  EXPECT_EQ(PlatformRead(with_mark, "S", "k"), cafe);

  const fs::path plain = FreshFile(dir);
  WriteBytes(plain, "[S]\r\nk=" + cafe + "\r\n");
  EXPECT_EQ(ConfigFile(plain).Read("S", "k"), cafe);
  std::wstring as_code_page(cafe.size(), L'\0');
  as_code_page.resize(MultiByteToWideChar(CP_ACP, 0, cafe.data(), static_cast<int>(cafe.size()),
                                          as_code_page.data(), static_cast<int>(cafe.size())));
  EXPECT_EQ(PlatformRead(plain, "S", "k"), Narrow(as_code_page));
}

// Writing into a file with lone CRs for line ends keeps that style, and the platform reads the
// result as we do: the unclosed header stays no header, and a name with ']' reads back.
TEST(ProfileAgreementTest, FileWithLoneCarriageReturnsStaysReadable) {
  TempDir dir;
  const fs::path file = FreshFile(dir);
  WriteBytes(file, "[Configuration]\rSetAllTopMost=1\r[Open\rHotKey=F1\r\r[Windows]\rWin1=a");
  ConfigFile config(file, LineEnding::kCrLf);
  ASSERT_TRUE(config.Write("Configuration", "SetAllTopMost", "0"));
  ASSERT_TRUE(config.Write("Configuration", "Title", " Main "));
  ASSERT_TRUE(config.Write("Windows", "Win2", "b"));
  ASSERT_TRUE(config.Write("Odd]Name", "k", "v"));
  ASSERT_TRUE(config.Write("Open", "HotKey", "F2"));
  EXPECT_EQ(ReadBytes(file),
            "[Configuration]\rSetAllTopMost=0\r[Open\rHotKey=F1\rTitle=\" Main \"\r\r"
            "[Windows]\rWin1=a\rWin2=b\r[Odd]Name]\rk=v\r[Open]\rHotKey=F2\r");
  const std::vector<std::vector<std::string>> expected = {
      {"Configuration", "SetAllTopMost", "0"}, {"Configuration", "HotKey", "F1"},
      {"Configuration", "Title", " Main "},    {"Windows", "Win2", "b"},
      {"Odd]Name", "k", "v"},                  {"Open", "HotKey", "F2"}};
  for (const auto& row : expected) {
    EXPECT_EQ(config.Read(row[0], row[1]), row[2]) << row[1];
    EXPECT_EQ(PlatformRead(file, row[0], row[1]), row[2]) << row[1];
  }
}

// The platform writes a value with line breaks as it is, so that a window caption could add
// sections and keys of its own; we write the breaks as blanks.
TEST(ProfileAgreementTest, LineBreaksInAValueCannotAddKeys) {
  const std::string caption = "x\r\n[Injected]\r\nk=1";
  TempDir dir;
  const fs::path ours = FreshFile(dir);
  ASSERT_TRUE(ConfigFile(ours, LineEnding::kCrLf).Write("Caption", "Win1", caption));
  EXPECT_EQ(ReadBytes(ours), "[Caption]\r\nWin1=x  [Injected]  k=1\r\n");
  EXPECT_EQ(PlatformRead(ours, "Caption", "Win1"), "x  [Injected]  k=1");
  EXPECT_EQ(PlatformRead(ours, "Injected", "k"), "");
}

}  // namespace
}  // namespace hoverdeck
