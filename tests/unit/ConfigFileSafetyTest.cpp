// The settings file as the user keeps it: one replacement per change, nothing half written, the
// file's own properties respected, and nothing the user wrote lost without a word.
#include <gtest/gtest.h>

#include <set>

#include "rules/Catalogue.h"
#include "support/FakeTray.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/frmTop.h"

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using namespace hoverdeck::testing;

// The system's store, counting replacements; it refuses those of files with a given extension.
class CountingStore final : public FileStore {
 public:
  bool Replace(const fs::path& path, std::string_view content) override {
    ++replacements;
    return path.extension() != refused_extension && SystemFileStore().Replace(path, content);
  }
  std::string FromLegacyText(std::string_view bytes) const override {
    return SystemFileStore().FromLegacyText(bytes);
  }
  int replacements = 0;
  std::string refused_extension = "none";
};

// A catalogue section of `count` strings, in sorted order or reversed.
std::string Section(int count, bool sorted, const std::string& name = "TopMostWindows") {
  std::string text = "[" + name + "]\n";
  for (int p = 1; p <= count; ++p) {
    char name[16];
    std::snprintf(name, sizeof name, "rule%03d", sorted ? p : count + 1 - p);
    text += "Win" + std::to_string(p) + "=" + name + "\nchkWin" + std::to_string(p) + "=1\n";
  }
  return text;
}

std::set<std::string> Entries(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

TEST(ConfigFileSafetyTest, CatalogueSaveIsOneReplacementAndAFailedOneLeavesTheOldSection) {
  TempDir dir;
  const fs::path ini = dir.File("Hoverdeck.ini");
  WriteBytes(ini, "[Configuration]\nMinimized=1\n" + Section(60, true) + "[Other]\nk=v\n");
  CountingStore store;
  ConfigFile file(ini, LineEnding::kLf, store);
  Catalogue catalogue(kTopMostWindowsSection);
  SortedList list;
  LoadCatalogue(file, catalogue, list);
  EXPECT_EQ(store.replacements, 0);  // already sorted: nothing to write

  list.RemoveAt(0);
  list.Add("new rule", true);
  const std::string before = ReadBytes(ini);
  store.refused_extension = ".ini";
  SaveCatalogue(file, catalogue, list);
  EXPECT_EQ(store.replacements, 1);
  EXPECT_EQ(ReadBytes(ini), before);
  EXPECT_EQ(catalogue.entry(1).text, "new rule");  // the program goes on with what it holds

  store.refused_extension.clear();
  SaveCatalogue(file, catalogue, list);
  EXPECT_EQ(store.replacements, 2);
  Catalogue reloaded(kTopMostWindowsSection);
  SortedList reloaded_list;
  LoadCatalogue(file, reloaded, reloaded_list);
  ASSERT_EQ(reloaded.count(), 60);
  EXPECT_EQ(reloaded.entry(1).text, "new rule");
  EXPECT_EQ(file.Read("Other", "k"), "v");
  EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"Hoverdeck.ini"});
}

TEST(ConfigFileSafetyTest, StartUpReadsOnceAndWritesBothMendedSectionsInOneReplacement) {
  TempDir dir;
  const fs::path ini = dir.File("Hoverdeck.ini");
  WriteBytes(ini, "[Configuration]\nSetAllTopMost=1\n" + Section(5, false) +
                      Section(3, false, "DisableX"));
  CountingStore store;
  ConfigFile file(ini, LineEnding::kLf, store);
  ASSERT_TRUE(file.Begin());
  fs::remove(ini);  // what start-up reads is the file as it was at Begin
  const Settings settings = LoadSettings(file);
  Catalogue topmost(kTopMostWindowsSection), close(kDisableXSection);
  SortedList topmost_list, close_list;
  LoadCatalogue(file, topmost, topmost_list);
  LoadCatalogue(file, close, close_list);
  EXPECT_EQ(store.replacements, 0);
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(store.replacements, 1);
  EXPECT_TRUE(settings.SetAllTopMost);
  EXPECT_EQ(ReadBytes(ini),
            "[Configuration]\nSetAllTopMost=1\n" + Section(5, true) + Section(3, true, "DisableX"));
}

// A section with more strings than a catalogue takes: the file is cut only after a complete copy.
TEST(ConfigFileSafetyTest, CutSectionIsWrittenBackOnlyAfterACompleteCopy) {
  for (const bool copy_refused : {false, true}) {
    SCOPED_TRACE(copy_refused ? "copy refused" : "copy made");
    TempDir dir;
    const fs::path ini = dir.File("Hoverdeck.ini");
    const std::string original = Section(150, false);
    WriteBytes(ini, original);
    CountingStore store;
    store.refused_extension = copy_refused ? ".bak" : "none";
    ConfigFile file(ini, LineEnding::kLf, store);
    Catalogue catalogue(kTopMostWindowsSection);
    SortedList list;
    const CatalogueLoad load = LoadCatalogue(file, catalogue, list);
    EXPECT_EQ(load.held, 150);
    EXPECT_EQ(load.backed_up, !copy_refused);
    ASSERT_EQ(catalogue.count(), 100);
    EXPECT_TRUE(catalogue.full());
    EXPECT_EQ(list.Count(), 100);
    EXPECT_EQ(catalogue.entry(1).text, "rule051");  // the first hundred of the file, sorted
    if (copy_refused) {
      EXPECT_EQ(ReadBytes(ini), original);
      EXPECT_FALSE(fs::exists(BackupPath(file)));
    } else {
      EXPECT_EQ(ReadBytes(BackupPath(file)), original);
      EXPECT_EQ(file.Read(kTopMostWindowsSection, "Win101"), "");
    }
  }
}

TEST(ConfigFileSafetyTest, CutListIsToldOnceAfterTheWindowIsUpButNotWhenInvisible) {
  for (const char* command_line : {"", "-i"}) {
    SCOPED_TRACE(command_line);
    TempDir dir;
    WriteBytes(dir.File("Hoverdeck.ini"), Section(120, true));
    SimulatedDesktop desktop;
    FakeTray tray;
    ScriptedDialogs dialogs;
    FakeShell shell;
    FakeHost host(dir.path());
    frmTop form(FormPorts{desktop, desktop, tray, dialogs, shell, host});
    form.Form_Load(command_line);
    EXPECT_TRUE(dialogs.messages.empty());
    form.Timer1_Timer();
    form.Timer1_Timer();
    EXPECT_TRUE(fs::exists(dir.File("Hoverdeck.ini.bak")));
    const std::size_t told = *command_line == '\0' ? 1u : 0u;
    ASSERT_EQ(dialogs.messages.size(), told);
    if (told == 0) continue;
    const std::string& text = dialogs.messages[0].text;
    for (const char* part : {"TopMostWindows", "120", "first 100", "Hoverdeck.ini.bak"}) {
      EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
    }
  }
}

// What the user made of the file, and what a write does to it.
struct Situation {
  const char* name;
  bool (*make)(const fs::path& dir, const fs::path& ini);  // false: cannot be made here
  bool written;
  void (*check)(const fs::path& dir, const fs::path& ini);
};
void PrintTo(const Situation& situation, std::ostream* out) { *out << situation.name; }

#ifndef _WIN32
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
#endif

const Situation kSituations[] = {
    {"ReadOnlyIsNeverReplaced",
     [](const fs::path&, const fs::path& ini) {
       fs::permissions(ini, fs::perms::owner_read | fs::perms::group_read);
       return true;
     },
     false, [](const fs::path&, const fs::path&) {}},
#ifndef _WIN32
    {"LinkStaysALinkAndItsTargetIsUpdated",
     [](const fs::path& dir, const fs::path& ini) {
       fs::rename(ini, dir / "kept.ini");
       fs::create_symlink("kept.ini", ini);
       return true;
     },
     true,
     [](const fs::path& dir, const fs::path& ini) {
       EXPECT_TRUE(fs::is_symlink(ini));
       EXPECT_EQ(ReadBytes(dir / "kept.ini"), ReadBytes(ini));
     }},
    {"ModeAndOwnerAreKept",
     [](const fs::path&, const fs::path& ini) {
       return ::chmod(ini.c_str(), 0640) == 0 &&
              (::geteuid() != 0 || ::chown(ini.c_str(), 1234, 4321) == 0);
     },
     true,
     [](const fs::path&, const fs::path& ini) {
       struct stat info {};
       ASSERT_EQ(::stat(ini.c_str(), &info), 0);
       EXPECT_EQ(info.st_mode & 07777, 0640u);
       EXPECT_TRUE(::geteuid() != 0 || (info.st_uid == 1234u && info.st_gid == 4321u));
     }},
    {"FolderWithoutRoomForATemporaryFileIsWrittenInPlace",
     [](const fs::path& dir, const fs::path&) { return LockFolder(dir, true); }, true,
     [](const fs::path& dir, const fs::path&) { LockFolder(dir, false); }},
#endif
};

class ConfigFileSituationTest : public ::testing::TestWithParam<Situation> {};

TEST_P(ConfigFileSituationTest, WriteKeepsTheFileTheUserMade) {
  const Situation& situation = GetParam();
  TempDir dir;
  const fs::path ini = dir.File("Hoverdeck.ini");
  const std::string before = "[Configuration]\nMinimized=0\n" + Section(2, true);
  WriteBytes(ini, before);
  if (!situation.make(dir.path(), ini)) GTEST_SKIP() << "cannot be made here";
  const std::set<std::string> entries = Entries(dir.path());
  ConfigFile file(ini, LineEnding::kLf);
  Catalogue catalogue(kTopMostWindowsSection);
  SortedList list;
  list.Add("only", true);
  const bool written = file.Write(kConfigurationSection, "Minimized", "1");
  SaveCatalogue(file, catalogue, list);
  situation.check(dir.path(), ini);
  EXPECT_EQ(written, situation.written);
  EXPECT_EQ(ReadBytes(ini), situation.written ? "[Configuration]\nMinimized=1\n"
                                                "[TopMostWindows]\nWin1=only\nchkWin1=1\n"
                                              : before);
  EXPECT_EQ(Entries(dir.path()), entries);  // no temporary file left, nothing else made
}

INSTANTIATE_TEST_SUITE_P(Files, ConfigFileSituationTest, ::testing::ValuesIn(kSituations),
                         [](const ::testing::TestParamInfo<Situation>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace hoverdeck
