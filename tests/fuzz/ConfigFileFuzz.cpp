// Feeds ConfigFile arbitrary starting content and a run of writes, deletes and reads, and checks
// after every step: what was written reads back, no other name changed its value, a refused write
// or a read changes nothing, and no temporary file is left.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "app/ConfigFile.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace hoverdeck::testing;

// Case variants of the same names, so that matching without regard to case is exercised.
const char* const kSections[] = {"Configuration", "CONFIGURATION", "Windows",
                                 "wINDOWS",       "Odd]Name",      ""};
const char* const kKeys[] = {"Win1", "WIN1", "Key", ""};

// Raw bytes, or a run of INI tokens (names, brackets, quotes, blanks, every line end, a NUL, a
// byte-order mark), so that the reader's corners turn up even in short runs.
std::string StartingContent(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return input.ConsumeRandomLengthString(2048);
  static const std::string kTokens[] = {
      "[",       "]",  "=",    " ",    "\t",   ";",   "\"",  std::string(1, '\0'), "\xEF\xBB\xBF",
      "\r",      "\n", "\r\n", "Win1", "WIN1", "Key", "x=1", "Configuration",      "wINDOWS",
      "Odd]Name"};
  std::string content;
  while (content.size() < 1024 && input.remaining_bytes() > 0 && input.ConsumeBool())
    content += kTokens[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kTokens) - 1)];
  return content;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// A UTF-16 file holds text only: bytes that are not UTF-8 cannot come back as they went in, so
// names and values aimed at one keep to ASCII.
void AsText(std::string& text) {
  for (char& c : text) c = (c & 0x80) ? '?' : c;
}

std::string Fold(std::string name) {
  for (char& c : name) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return name;
}

// The engine is fuzzed, not the disk: the store writes plainly, without flushing.
class PlainStore final : public hoverdeck::FileStore {
 public:
  bool Replace(const fs::path& path, std::string_view content) override {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    return true;
  }
  void RemoveLeftovers(const fs::path&, fs::file_time_type) override {}
  std::string FromLegacyText(std::string_view bytes) const override { return std::string(bytes); }
};

// Every name the runs aim at, by folded section and key, with its value now.
std::map<std::string, std::string> ReadProbes(const hoverdeck::ConfigFile& file) {
  std::map<std::string, std::string> values;
  for (const char* section : kSections)
    for (const char* key : kKeys)
      values[Fold(section) + "\n" + Fold(key)] = file.Read(section, key);
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TempDir dir;  // removed at exit
  FuzzedDataProvider input(data, size);
  const fs::path path = dir.File("fuzz.ini");
  const std::string start = StartingContent(input);
  WriteBytes(path, start);
  const bool utf16 = start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF");
  static PlainStore store;
  hoverdeck::ConfigFile file(
      path, (size & 1) ? hoverdeck::LineEnding::kCrLf : hoverdeck::LineEnding::kLf, store);
  std::map<std::pair<std::string, std::string>, std::string> written;
  auto probes = ReadProbes(file);

  for (int op = 0; op < 12 && input.remaining_bytes() > 0; ++op) {
    const std::uint8_t kind = input.ConsumeIntegralInRange(0, 3);
    const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
    // Names from the lists, or arbitrary ones, which a write may refuse.
    std::string section =
        kind == 3 ? input.ConsumeRandomLengthString(12) : kSections[pick % std::size(kSections)];
    std::string key =
        kind == 3 ? input.ConsumeRandomLengthString(12) : kKeys[(pick >> 3) % std::size(kKeys)];
    if (utf16) {
      AsText(section);
      AsText(key);
    }
    const std::string before = ReadBytes(path);
    if (kind == 0 || kind == 3) {
      std::string value = input.ConsumeRandomLengthString(40);
      if (utf16) AsText(value);
      if (!file.Write(section, key, value)) {
        Check(kind == 3 && ReadBytes(path) == before);
        continue;
      }
      for (char& c : value) c = (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
      written[{Fold(section), Fold(key)}] = value;
    } else if (kind == 1) {
      // Blanks around the name asked for make no difference.
      Check(file.DeleteSection((pick & 0x80) ? " \t" + section + " " : section));
      std::erase_if(written, [&](const auto& entry) { return entry.first.first == Fold(section); });
    } else {
      file.Read(input.ConsumeRandomLengthString(12), input.ConsumeRandomLengthString(12));
      Check(file.Read(" " + section + "\t", "\t " + key) == file.Read(section, key));
      Check(ReadBytes(path) == before);
    }
    for (const auto& [name, value] : written) Check(file.Read(name.first, name.second) == value);
    const auto now = ReadProbes(file);
    for (const auto& [name, value] : now) {
      const bool aimed = kind == 1 ? name.starts_with(Fold(section) + "\n")
                                   : kind != 2 && name == Fold(section) + "\n" + Fold(key);
      Check(aimed ? kind != 1 || value.empty() : value == probes[name]);
    }
    probes = now;
  }
  Check(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()) == 1);
  return 0;
}
