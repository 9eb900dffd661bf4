// Our INI engine against the platform's profile functions on the same files, and the file store.
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <sddl.h>  // after windows.h, which it builds on
// clang-format on

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/ConfigFile.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32FileStore.h"
#include "support/IniCorpus.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using namespace hoverdeck::testing;
using win32::Narrow;
using win32::Widen;

std::string PlatformRead(const fs::path& file, const std::string& section, const std::string& key,
                         DWORD buffer_size = 32768) {
  std::wstring buffer(buffer_size, L'\0');
  buffer.resize(GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"",
                                         buffer.data(), buffer_size, file.c_str()));
  return Narrow(buffer);
}

// A file with content, under a name of its own: the platform caches recently read files by name.
fs::path FreshFile(const TempDir& dir, const std::string& content = "") {
  static std::atomic<unsigned> counter{0};
  const fs::path file = dir.File("profile-" + std::to_string(counter++) + ".ini");
  if (!content.empty()) WriteBytes(file, content);
  return file;
}

// The corpus's files read as the platform reads them wherever no difference is listed, and
// values written by either side read the same on both.
TEST(ProfileAgreementTest, TheCorpusAgreesWithThePlatform) {
  const IniCorpus corpus = LoadIniCorpus("profile-agreement.txt");
  ASSERT_GE(corpus.files.size(), 30u) << "corpus not found under " << HOVERDECK_TEST_DATA;
  TempDir dir;
  for (const CorpusFile& corpus_file : corpus.files) {
    for (const std::string& content : corpus_file.Forms()) {
      const fs::path file = FreshFile(dir, content);
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
        EXPECT_TRUE(same || f[2] != f[3]) << "a listed difference that is none";
      }
    }
  }
  const fs::path theirs = FreshFile(dir), ours = FreshFile(dir);
  ConfigFile our_config(ours, LineEnding::kCrLf);
  const auto& writes = corpus.lines;
  ASSERT_GE(writes.size(), 30u);
  for (std::size_t i = 0; i < writes.size(); ++i) {
    ASSERT_EQ(writes[i].fields.size(), 2u) << "line " << writes[i].number;
    const std::wstring key = L"Win" + std::to_wstring(i), value = Widen(writes[i].fields[0]);
    ASSERT_TRUE(
        writes[i].verb == "platform-writes"
            ? WritePrivateProfileStringW(L"Windows", key.c_str(), value.c_str(), theirs.c_str())
            : our_config.Write("Windows", Narrow(key), writes[i].fields[0]));
  }
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, theirs.c_str());  // flushes its cache
  for (std::size_t i = 0; i < writes.size(); ++i) {
    SCOPED_TRACE("line " + std::to_string(writes[i].number));
    const fs::path& file = writes[i].verb == "platform-writes" ? theirs : ours;
    const std::string key = "Win" + std::to_string(i);
    EXPECT_EQ(Visible(ConfigFile(file).Read("Windows", key)), Visible(writes[i].fields[1]));
    EXPECT_EQ(Visible(PlatformRead(file, "Windows", key)), Visible(writes[i].fields[1]));
  }
  // Our writes into files with CR alone as line end, read back by the platform.
  for (const CorpusLine& row : LoadIniCorpus("ini-writes.txt").lines) {
    const auto& f = row.fields;
    if (!row.verb.starts_with("CrFile")) continue;
    const fs::path file = FreshFile(dir, f[0]);
    ASSERT_TRUE(ConfigFile(file).Write(f[1], f[2], f[3])) << row.verb;
    EXPECT_EQ(Visible(PlatformRead(file, f[1], f[2])), Visible(f[3])) << row.verb;
  }
}

std::string FromCodePage(const std::string& bytes) {
  std::wstring wide(bytes.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                  wide.data(), static_cast<int>(wide.size())));
  return Narrow(wide);
}

// Bytes that are no UTF-8 read in the system code page; a write elsewhere keeps them.
TEST(ProfileAgreementTest, Utf8AndCodePageText) {
  const std::string cafe = "caf\xC3\xA9", legacy = "Caf\xE9";
  ASSERT_NE(FromCodePage(legacy), legacy);
  const std::tuple<std::string, std::string, std::string> rows[] = {
      {"\xEF\xBB\xBF[S]\r\nk=" + cafe + "\r\n", cafe, cafe},
      {"[S]\r\nk=" + cafe + "\r\n", cafe, FromCodePage(cafe)},
      {"[S]\r\nk=" + legacy + "\r\n", FromCodePage(legacy), FromCodePage(legacy)}};
  TempDir dir;
  for (const auto& [content, ours, platform] : rows) {
    const fs::path file = FreshFile(dir, content);
    ConfigFile config(file);
    EXPECT_EQ(config.Read("S", "k"), ours) << Visible(content);
    EXPECT_EQ(PlatformRead(file, "S", "k"), platform) << Visible(content);
    ASSERT_TRUE(config.Write("S", "other", "1"));
    EXPECT_EQ(ReadBytes(file), content + "other=1\r\n");
  }
}

// A UTF-16 file stays UTF-16 after a write by either side, and each reads what the other wrote.
TEST(ProfileAgreementTest, Utf16FileStaysUtf16) {
  const auto bytes = [](const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  };
  TempDir dir;
  const fs::path file = FreshFile(dir, bytes(L"\xFEFF[S]\r\nk=caf\u00e9\r\n"));
  ASSERT_TRUE(ConfigFile(file).Write("S", "ours", "\xE2\x82\xAC"));
  ASSERT_TRUE(WritePrivateProfileStringW(L"S", L"theirs", L"\u00FC", file.c_str()));
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());  // flushes its cache
  EXPECT_EQ(PlatformRead(file, "S", "ours") + ConfigFile(file).Read("S", "theirs"),
            "\xE2\x82\xAC\xC3\xBC");
  EXPECT_EQ(ReadBytes(file),
            bytes(L"\xFEFF[S]\r\nk=caf\u00e9\r\nours=\u20AC\r\ntheirs=\u00FC\r\n"));
}

// The replacement is one rename: a reader never meets the file missing or part-written.
TEST(Win32FileStoreTest, TheFileIsWholeAtEveryMoment) {
  TempDir dir;
  const fs::path ini = dir.File("Hoverdeck.ini");
  WriteBytes(ini, "[S]\r\nk=" + std::string(4000, 'b') + "\r\n");
  std::atomic<bool> done{false};
  std::atomic<int> looks{0}, misses{0};
  std::thread looker([&] {
    for (WIN32_FILE_ATTRIBUTE_DATA data{}; !done; ++looks) {
      if (!GetFileAttributesExW(ini.c_str(), GetFileExInfoStandard, &data) ||
          data.nFileSizeLow != 4009) {
        ++misses;
      }
    }
  });
  ConfigFile config(ini);
  for (int i = 1; i <= 200; ++i)
    EXPECT_TRUE(config.Write("S", "k", std::string(4000, "ab"[i % 2])));
  done = true;
  looker.join();
  EXPECT_EQ(misses, 0) << "of " << looks << " looks";
}

// The file's access-control list as it is stored; empty when it cannot be read.
std::vector<unsigned char> AccessRights(const fs::path& file) {
  DWORD size = 0;
  GetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
  std::vector<unsigned char> rights(size);
  if (!GetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, rights.data(), size, &size))
    rights.clear();
  return rights;
}

// Opens files as the system does, except that the INI's access rights refuse writing it (Wine
// does not check access rights), while its folder lets it be replaced.
HANDLE WINAPI RefuseWritingTheIni(LPCWSTR path, DWORD access, DWORD share,
                                  LPSECURITY_ATTRIBUTES security, DWORD how, DWORD flags,
                                  HANDLE model) {
  if (std::wstring_view(path).ends_with(L".ini") &&
      (access & (GENERIC_WRITE | FILE_WRITE_DATA | FILE_APPEND_DATA))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(path, access, share, security, how, flags, model);
}

// Attributes and access rights go over to the new content; a read-only file, or one whose rights
// refuse writing, is refused at once. Another program holding the file open for a moment is
// waited for, briefly; one that keeps it open makes the write fail. A refused write leaves the
// old file whole and nothing beside it.
TEST(Win32FileStoreTest, AttributesRightsAndHoldersDecideAndSurviveAWrite) {
  using std::chrono::milliseconds;
  const auto refusing = MakeWin32FileStore(&RefuseWritingTheIni);
  const std::tuple<DWORD, milliseconds, bool, FileStore*> rows[] = {
      {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, milliseconds(0), true, &SystemFileStore()},
      {FILE_ATTRIBUTE_READONLY, milliseconds(0), false, &SystemFileStore()},
      {FILE_ATTRIBUTE_ARCHIVE, milliseconds(0), false, refusing.get()},
      {FILE_ATTRIBUTE_ARCHIVE, milliseconds(150), true, &SystemFileStore()},
      {FILE_ATTRIBUTE_ARCHIVE, milliseconds(1500), false, &SystemFileStore()}};
  for (const auto& [attributes, held, written, store] : rows) {
    SCOPED_TRACE(std::to_string(attributes) + ", held " + std::to_string(held.count()) + " ms");
    TempDir dir;
    const fs::path ini = dir.File("Hoverdeck.ini");
    WriteBytes(ini, "[S]\r\nk=old\r\n");
    PSECURITY_DESCRIPTOR set = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;FA;;;WD)(A;;FR;;;BU)", SDDL_REVISION_1, &set, nullptr));
    ASSERT_TRUE(SetFileSecurityW(ini.c_str(), DACL_SECURITY_INFORMATION, set));
    LocalFree(set);
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), attributes));
    const auto rights = AccessRights(ini);
    ASSERT_FALSE(rights.empty());
    win32::UniqueHandle holder(CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    if (held.count() == 0) holder.Reset();
    std::thread release([&] {
      std::this_thread::sleep_for(held);
      holder.Reset();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ConfigFile(ini, LineEnding::kCrLf, *store).Write("S", "k", "new"), written);
    // Never a freeze: a holder is waited for only briefly.
    EXPECT_LT(std::chrono::steady_clock::now() - start, held + milliseconds(1000));
    release.join();
    EXPECT_EQ(ReadBytes(ini), written ? "[S]\r\nk=new\r\n" : "[S]\r\nk=old\r\n");
    EXPECT_EQ(GetFileAttributesW(ini.c_str()) & attributes, attributes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(AccessRights(ini), rights);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
}  // namespace hoverdeck
