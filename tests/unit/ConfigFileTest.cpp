// The settings file: reading and writing by the corpora under tests/data, one replacement per
// change, nothing half written, and the file's own properties kept; the rule catalogues it holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <set>

#include "app/ConfigFile.h"
#include "app/InPlaceWrite.h"
#include "app/Settings.h"
#include "app/TemporaryFiles.h"
#include "rules/Catalogue.h"
#include "support/FormDesk.h"
#include "support/IniCorpus.h"
#include "support/TempDir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/PosixFileStore.h"
#endif

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using namespace hoverdeck::testing;

std::set<std::string> Entries(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

// A file of the given bytes in a fresh folder, written through the system's store, which counts
// its replacements and refuses those of files with a given extension.
struct StoredIni final : FileStore {
  explicit StoredIni(const std::string& bytes, LineEnding ending = LineEnding::kLf)
      : file(ini, ending, *this) {
    WriteBytes(ini, bytes);
  }
  bool Replace(const fs::path& path, std::string_view content) override {
    ++replacements;
    return !path.extension().string().starts_with(refused) &&
           SystemFileStore().Replace(path, content);
  }
  void RemoveLeftovers(const fs::path& path, fs::file_time_type started) override {
    SystemFileStore().RemoveLeftovers(path, started);
  }
  std::string FromLegacyText(std::string_view bytes) const override {
    return SystemFileStore().FromLegacyText(bytes);
  }
  TempDir dir;
  fs::path ini = dir.File("Hoverdeck.ini");
  ConfigFile file;
  int replacements = 0;
  std::string refused = "none";
};

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
}

// A write changes only what it must: the rest keeps its bytes, line ends and byte-order mark; the
// file is replaced once, or not at all when its bytes stay; no temporary file stays behind.
TEST(ConfigFileTest, WritesAndDeletesTheCorporaByteForByte) {
  const auto writes = LoadIniCorpus("ini-writes.txt").lines;
  const auto deletes = LoadIniCorpus("ini-deletes.txt").lines;
  ASSERT_TRUE(writes.size() >= 40 && deletes.size() >= 6);
  for (const auto* corpus : {&writes, &deletes}) {
    for (const auto& change : *corpus) {
      SCOPED_TRACE(change.verb);
      const bool write = corpus == &writes;
      const auto& f = change.fields;
      ASSERT_GE(f.size(), write ? 5u : 3u);
      const std::string& after = f[write ? 4 : 2];
      const auto flag = [&f](const char* name) { return std::ranges::count(f, name) > 0; };
      StoredIni s(f[0], flag("crlf") ? LineEnding::kCrLf : LineEnding::kLf);
      EXPECT_EQ(write ? s.file.Write(f[1], f[2], f[3]) : s.file.DeleteSection(f[1]),
                !flag("refused"));
      EXPECT_EQ(Visible(ReadBytes(s.ini)), Visible(after));
      EXPECT_EQ(s.replacements, f[0] == after ? 0 : 1);
      EXPECT_EQ(Entries(s.dir.path()), std::set<std::string>{"Hoverdeck.ini"});
    }
  }
}

TEST(ConfigFileTest, OddPlacesFailCleanlyOrStayUsable) {
  TempDir dir;
  // A missing file reads as empty; it and its folders are made by the first write, in the chosen
  // line ending; deleting from it makes nothing.
  ConfigFile fresh(dir.File("config") / "hoverdeck" / "a.ini", LineEnding::kCrLf);
  EXPECT_EQ((std::tuple{fresh.Read("S", "k"), fresh.DeleteSection("S")}), std::tuple("", true));
  EXPECT_TRUE(fs::is_empty(dir.path()));
  ASSERT_TRUE(fresh.Write("S", "k", "v"));
  EXPECT_EQ(ReadBytes(fresh.path()), "[S]\r\nk=v\r\n");
  // A folder where the file should be: nothing is read or written, nothing made.
  fs::create_directory(dir.File("d.ini"));
  WriteBytes(dir.File("d.ini") / "inside", "[S]\nk=1\n");
  ConfigFile folder(dir.File("d.ini"));
  EXPECT_FALSE(folder.Write("S", "k", "v"));
  EXPECT_EQ((std::tuple{folder.DeleteSection("S"), folder.Read("S", "k")}), std::tuple(false, ""));
  EXPECT_EQ(Entries(dir.File("d.ini")), std::set<std::string>{"inside"});
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"config", "d.ini"}));
}

// Start-up reads the file as it was when its batch began and writes both mended sections in one
// replacement; a catalogue save is one replacement too, and a refused one leaves the old section.
TEST(ConfigFileSafetyTest, StartUpAndEachCatalogueSaveReplaceTheFileOnce) {
  const std::string settings = "[Configuration]\nSetAllTopMost=1\n";
  StoredIni s(settings + CatalogueSection(60, false) + CatalogueSection(3, false, "DisableX"));
  auto& [dir, ini, file, replacements, refused] = s;
  Catalogue topmost(kTopMostWindowsSection), close(kDisableXSection);
  SortedList list;
  {
    ConfigFile::Batch batch(file);
    fs::remove(ini);
    EXPECT_TRUE(LoadSettings(file).SetAllTopMost);
    LoadCatalogue(file, close, list);
    ConfigFile::Batch inner(file);  // part of the outer batch
    LoadCatalogue(file, topmost, list);
    EXPECT_EQ((std::pair{inner.Commit(), replacements}), std::pair(true, 0));
  }  // left without Commit: the scope's end writes
  const std::string mended =
      settings + CatalogueSection(3, true, "DisableX") + CatalogueSection(60, true);
  EXPECT_EQ(ReadBytes(ini), mended);
  list.RemoveAt(0);
  list.Add("new rule", true);
  refused = ".ini";
  SaveCatalogue(file, topmost, list);
  EXPECT_EQ(ReadBytes(ini), mended);
  EXPECT_EQ(topmost.entry(1).text, "new rule");  // the program goes on with what it holds
  refused = "none";
  SaveCatalogue(file, topmost, list);
  EXPECT_EQ(replacements, 3);
  EXPECT_EQ(file.Read(kTopMostWindowsSection, "Win1") + file.Read(kTopMostWindowsSection, "Win60") +
                file.Read(kDisableXSection, "Win3"),
            "new rulerule160rule103");
  EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"Hoverdeck.ini"});
}

// A section with more strings than a catalogue takes: the file is cut only after a complete copy,
// kept beside an earlier one; without the copy, a click still lands on the string clicked.
TEST(ConfigFileSafetyTest, CutSectionIsWrittenBackOnlyAfterACompleteCopy) {
  for (const bool copy_refused : {false, true}) {
    SCOPED_TRACE(copy_refused);
    const std::string whole =
        CatalogueSection(150, false) + CatalogueSection(120, false, "DisableX");
    StoredIni s(whole);
    auto& [dir, ini, file, replacements, refused] = s;
    WriteBytes(dir.File("Hoverdeck.ini.bak"), "earlier");
    refused = copy_refused ? ".bak" : "none";
    Catalogue catalogue(kTopMostWindowsSection), close(kDisableXSection);
    SortedList list;
    ConfigFile::Batch batch(file);
    const CatalogueLoad load = LoadCatalogue(file, catalogue, list);
    const CatalogueLoad close_load = LoadCatalogue(file, close, list);
    batch.Commit();
    EXPECT_EQ(load.held + (load.backed_up ? 1000 : 0), copy_refused ? 150 : 1150);
    EXPECT_EQ(std::tuple(load.backup, close_load.backup, close_load.backed_up),
              std::tuple(dir.File("Hoverdeck.ini.bak2"), load.backup, load.backed_up));
    ASSERT_EQ(std::pair(catalogue.full(), catalogue.count() + list.Count()), std::pair(true, 200));
    EXPECT_EQ(catalogue.entry(1).text, "rule151");  // the first hundred of the file, sorted
    EXPECT_EQ(ReadBytes(ini) == whole, copy_refused);
    EXPECT_EQ(ReadBytes(load.backup) + ReadBytes(dir.File("Hoverdeck.ini.bak")),
              (copy_refused ? "" : whole) + "earlier");
    EXPECT_EQ(file.Read(kTopMostWindowsSection, "Win101"), copy_refused ? "rule150" : "");
    LoadCatalogue(file, catalogue, list);
    list.SetListIndex(0);
    list.SetChecked(0, false);
    ToggleCatalogueCheck(file, catalogue, list, true);
    LoadCatalogue(file, catalogue, list);
    std::string unchecked;
    for (const ListItem& item : list.Items()) unchecked += item.checked ? "" : item.text;
    EXPECT_EQ(unchecked, "rule151");
  }
}

#ifdef _WIN32
const std::uint32_t kThisProcess = GetCurrentProcessId();
#else
const std::uint32_t kThisProcess = ::getpid();
#endif

// What a write killed half-way left goes at the start only when it is certainly abandoned.
TEST(ConfigFileSafetyTest, OnlyCertainlyAbandonedLeftoversGoAtTheStart) {
  FormDesk d;
  const auto started = fs::file_time_type::clock::now();
  const auto files = LoadIniCorpus("leftovers.txt").lines;
  ASSERT_EQ(files.size(), 7u);
  std::set<std::string> kept;
  for (const auto& file : files) {
    const auto& f = file.fields;
    const auto process = f.at(2) == "ended" ? INT32_MAX
                         : f[2] == "self"   ? kThisProcess
                                            : std::stoul("0" + f[2]);
    const std::string machine = f[1] == "here" ? MachineName() : f[1],
                      name = f[0] + (machine.empty() ? "" : TemporaryNameMiddle(machine, process)) +
                             f.at(3);
    WriteBytes(d.dir.File(name), "");
    fs::last_write_time(d.dir.File(name), started - std::chrono::hours(std::stoi(f.at(4))));
    if (f.at(5) == "1") kept.insert(name);
  }
  d.form.Form_Load("");
  EXPECT_EQ(Entries(d.dir.path()), kept);
}

// A file in memory whose change number `fail_at` fails; a failing write writes half.
struct FailingFile final : InPlaceFile {
  std::string bytes = "[S]\nk=old\n";
  int fail_at = 0, changes = 0;
  bool Fails() { return ++changes == fail_at; }
  std::optional<std::uint64_t> Size() override { return bytes.size(); }
  std::optional<std::string> Read(std::uint64_t at, std::size_t length) override {
    return bytes.substr(at, length);
  }
  bool Write(std::uint64_t at, std::string_view part) override {
    const bool fails = Fails();
    if (fails) part = part.substr(0, part.size() / 2);
    bytes.resize(std::max<std::size_t>(bytes.size(), at + part.size()));
    bytes.replace(at, part.size(), part);
    return !fails;
  }
  bool Truncate(std::uint64_t size) override { return !Fails() && (bytes.resize(size), true); }
  bool Flush() override { return !Fails(); }
  bool Reserve(std::uint64_t size) override {  // lengthens the file, as posix_fallocate does
    return Truncate(std::max<std::uint64_t>(size, bytes.size()));
  }
};

// Written in place (a file with several names), a failure at any step leaves the old content
// whole, whether the new one is longer or shorter.
TEST(ConfigFileSafetyTest, InPlaceWriteFailingAtAnyStepLeavesTheOldContent) {
  for (const std::string after : {"[S]\nk=new value\n", "[S]\n"}) {
    for (int fail_at = 1; fail_at < 10; ++fail_at) {
      SCOPED_TRACE(after + std::to_string(fail_at));
      FailingFile file;
      file.fail_at = fail_at;
      const bool written = OverwriteInPlace(file, after);
      EXPECT_EQ(file.bytes, written ? after : "[S]\nk=old\n");
      EXPECT_EQ(written, fail_at > (after.size() > 10 ? 5 : 4));
    }
  }
}

#ifndef _WIN32
rlimit kept_limit{};  // the file-size limit the tests started with
[[maybe_unused]] const bool kKeptLimitRead = ::getrlimit(RLIMIT_FSIZE, &kept_limit) == 0;

// A folder that takes no new file; permissions do not stop root, an immutable folder does.
bool LockFolder(const fs::path& dir, bool lock) {
  if (::geteuid() != 0) return ::chmod(dir.c_str(), lock ? 0555 : 0755) == 0;
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  int flags = 0;
  bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = lock ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) ::close(fd);
  return done;
}

int g_reserve_error = 0;

// Stands in for the reservation of room where the file system has none: the C library's own
// stand-in reads the file; then it fails with g_reserve_error.
int Reserve(int fd, off_t, off_t) {
  char byte = 0;
  return ::pread(fd, &byte, 1, 0) < 0 ? errno : g_reserve_error;
}
#endif

// What the user made of the file stays: read-only is never replaced, a link stays a link, mode
// and owner are kept; a second name or a folder that takes no new file means writing in place.
// A write cut short (full disk, size limit) leaves the old file whole and nothing else made.
TEST(ConfigFileSafetyTest, WriteKeepsTheFileTheUserMade) {
  // Longer and different from its first byte on, so an overwrite in place has both to do.
  const std::string before = "[S]\nk=old\n", after = "[S]\nk=new value\n";
  for (const std::string situation : {"read-only", "hard link", "link", "mode and owner",
                                      "locked folder", "full disk", "size limit"}) {
    SCOPED_TRACE(situation);
    TempDir dir;
    const fs::path ini = dir.File("Hoverdeck.ini");
    WriteBytes(ini, before);
    bool made = true;  // false where the situation cannot be made here
    if (situation == "read-only")
      fs::permissions(ini, fs::perms::owner_read | fs::perms::group_read);
    if (situation == "hard link" || situation == "full disk")
      fs::create_hard_link(ini, dir.File("second name.ini"));
#ifdef _WIN32
    if (situation != "read-only" && situation != "hard link") continue;
    FileStore& store = SystemFileStore();
#else
    if (situation == "link") {
      fs::rename(ini, dir.File("kept.ini"));
      fs::create_symlink("kept.ini", ini);
    } else if (situation == "mode and owner") {
      made = ::chmod(ini.c_str(), 0640) == 0 &&
             (::geteuid() != 0 || ::chown(ini.c_str(), 1234, 4321) == 0);
    } else if (situation == "locked folder") {
      made = LockFolder(dir.path(), true);
    } else if (situation == "size limit") {
      std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
      const rlimit limit{before.size(), kept_limit.rlim_max};
      made = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    g_reserve_error = situation == "full disk" ? ENOSPC : EOPNOTSUPP;
    const auto posix_store = MakePosixFileStore(&Reserve);
    FileStore& store = *posix_store;
#endif
    if (!made) continue;
    const std::set<std::string> entries = Entries(dir.path());
    const bool written =
        situation != "read-only" && situation != "full disk" && situation != "size limit";
    EXPECT_EQ(ConfigFile(ini, LineEnding::kLf, store).Write("S", "k", "new value"), written);
#ifndef _WIN32
    if (situation == "locked folder") LockFolder(dir.path(), false);
    ::setrlimit(RLIMIT_FSIZE, &kept_limit);
    struct stat info {};
    ASSERT_EQ(::stat(ini.c_str(), &info), 0);
    if (situation == "mode and owner") {
      EXPECT_EQ(info.st_mode & 07777, 0640u);
      EXPECT_TRUE(::geteuid() != 0 || (info.st_uid == 1234u && info.st_gid == 4321u));
    }
    EXPECT_EQ(fs::is_symlink(ini), situation == "link");
#endif
    EXPECT_EQ(ReadBytes(ini), written ? after : before);
    if (fs::exists(dir.File("second name.ini"))) {
      EXPECT_EQ(ReadBytes(dir.File("second name.ini")), written ? after : before);
    }
    EXPECT_EQ(Entries(dir.path()), entries);
  }
}

// The catalogue's entries as "text" + flag, separated by blanks.
std::string Entries(const Catalogue& catalogue) {
  std::string loaded;
  for (int p = 1; p <= catalogue.count(); ++p)
    loaded += (p > 1 ? " " : "") + catalogue.entry(p).text + catalogue.entry(p).checked;
  return loaded;
}

// Whatever the file held, it then lists the entries in the order of the list, the rest kept.
TEST(CatalogueTest, LoadsTheCorpusAsListed) {
  const auto loads = LoadIniCorpus("catalogue-loads.txt").lines;
  ASSERT_GE(loads.size(), 7u);
  for (const auto& load : loads) {
    SCOPED_TRACE(load.verb);
    ASSERT_EQ(load.fields.size(), 3u);
    TempDir dir;
    const std::string content = "; kept\n" + load.fields[0] + "[Other]\nk=v\n";
    WriteBytes(dir.File("a.ini"), content);
    ConfigFile file(dir.File("a.ini"), LineEnding::kLf);
    for (const bool again : {false, true}) {
      Catalogue catalogue(kTopMostWindowsSection);
      SortedList list;
      list.Add("stale");
      list.SetListIndex(0);
      LoadCatalogue(file, catalogue, list);
      EXPECT_EQ(Entries(catalogue) + "/" + std::to_string(list.Count() - catalogue.count()) +
                    std::to_string(list.ListIndex()) + file.Read("Other", "k"),
                load.fields[1] + "/0-1v");
      EXPECT_TRUE(again || (ReadBytes(file.path()) != content) == (load.fields[2] == "rewritten"));
    }
  }
}

}  // namespace
}  // namespace hoverdeck
