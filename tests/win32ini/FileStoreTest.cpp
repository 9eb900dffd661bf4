// The Windows edition's settings file: the file's attributes decide and survive a write, and a
// file of an older version, in the system code page, keeps its meaning.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>

#include "app/ConfigFile.h"
#include "platform/win32/WideText.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(Win32FileStoreTest, AttributesDecideAndSurviveAWrite) {
  struct Row {
    DWORD attributes;
    bool written;
  };
  for (const Row row : {Row{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true},
                        Row{FILE_ATTRIBUTE_READONLY, false}}) {
    SCOPED_TRACE(row.attributes);
    TempDir dir;
    const fs::path ini = dir.File("Hoverdeck.ini");
    WriteBytes(ini, "[S]\r\nk=old\r\n");
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), row.attributes));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ConfigFile(ini).Write("S", "k", "new"), row.written);
    // A read-only file is refused at once, not after waiting for it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(ReadBytes(ini), row.written ? "[S]\r\nk=new\r\n" : "[S]\r\nk=old\r\n");
    EXPECT_EQ(GetFileAttributesW(ini.c_str()) & row.attributes, row.attributes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST(Win32FileStoreTest, CodePageTextReadsAsThePlatformReadsItAndStaysUntouched) {
  const std::string legacy = "Caf\xE9";  // one byte for the last letter, no valid UTF-8
  wchar_t wide[8] = {};
  const int length = MultiByteToWideChar(CP_ACP, 0, legacy.data(), 4, wide, 8);
  ASSERT_EQ(length, 4);
  const std::string expected = win32::Narrow(std::wstring_view(wide, 4));
  ASSERT_NE(expected, legacy);

  TempDir dir;
  const fs::path ini = dir.File("Hoverdeck.ini");
  WriteBytes(ini, "[TopMostWindows]\r\nWin1=" + legacy + "\r\n");
  ConfigFile file(ini);
  EXPECT_EQ(file.Read("TopMostWindows", "Win1"), expected);
  ASSERT_TRUE(file.Write("TopMostWindows", "chkWin1", "1"));
  EXPECT_EQ(ReadBytes(ini), "[TopMostWindows]\r\nWin1=" + legacy + "\r\nchkWin1=1\r\n");
  EXPECT_EQ(file.Read("TopMostWindows", "Win1"), expected);
}

}  // namespace
}  // namespace hoverdeck
