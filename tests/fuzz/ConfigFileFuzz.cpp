// Feeds ConfigFile arbitrary starting content and a run of writes, deletes and reads, and checks
// after every step: what was written reads back, no other name changed its value, a write changes
// one line or adds lines, a delete only takes lines away, and no temporary file is left.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/ConfigFile.h"

namespace {

namespace fs = std::filesystem;

// Case variants of the same names, so that matching without regard to case is exercised.
const char* const kSections[] = {"Configuration", "CONFIGURATION", "Windows",
                                 "wINDOWS",       "Odd]Name",      ""};
const char* const kKeys[] = {"Win1", "WIN1", "Key", ""};
// One spelling per distinct name: the values that must not move unless aimed at.
const char* const kProbeSections[] = {"configuration", "windows", "odd]name", ""};
const char* const kProbeKeys[] = {"win1", "key", ""};

// Raw bytes, or lines built from INI-shaped pieces (duplicates, odd headers, quotes, stray CRs
// and NULs, any mix of line ends) so that the parser's corners turn up often.
std::string StartingContent(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return input.ConsumeRandomLengthString(2048);
  static const char* const kEnds[] = {"\r", "\n", "\r\n", "", "\r\r\n", "\n\r"};
  std::string content;
  for (int line = input.ConsumeIntegralInRange(0, 24); line > 0; --line) {
    const auto shape = input.ConsumeIntegral<std::uint8_t>();
    const std::string section = kSections[shape % std::size(kSections)];
    const std::string key = kKeys[shape % std::size(kKeys)];
    const std::string value = input.ConsumeRandomLengthString(8);
    const std::string pieces[] = {"[" + section + "]",
                                  " \t[ " + section,
                                  key + "=" + value,
                                  " " + key + " \t= \"" + value + "\" ",
                                  ";" + key + "=x",
                                  "[" + section + "]x] ; note",
                                  key + "=" + value + "\r" + key + "=stray",
                                  key + "=" + value + std::string(1, '\0') + "tail",
                                  content.empty() ? "\xEF\xBB\xBF" : value};
    content += pieces[input.ConsumeIntegralInRange<std::size_t>(0, std::size(pieces) - 1)] +
               kEnds[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kEnds) - 1)];
  }
  return content;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string Fold(std::string name) {
  for (char& c : name) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return name;
}

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The engine is fuzzed, not the disk: the store writes plainly, without flushing.
class PlainStore final : public hoverdeck::FileStore {
 public:
  bool Replace(const fs::path& path, std::string_view content) override {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    return true;
  }
  std::string FromLegacyText(std::string_view bytes) const override { return std::string(bytes); }
};

// A file's lines as the reader sees them: LF, CRLF and a lone CR each end one; a byte-order mark
// is no part of the first.
std::vector<std::string_view> Lines(std::string_view content) {
  if (content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);
  std::vector<std::string_view> lines;
  while (!content.empty()) {
    const std::size_t stop = content.find_first_of("\r\n");
    lines.push_back(content.substr(0, stop));
    if (stop == std::string_view::npos) break;
    content.remove_prefix(stop + (content.substr(stop).starts_with("\r\n") ? 2 : 1));
  }
  return lines;
}

// A write replaces one key line's value (its text up to the '=' the same) or adds at most two
// lines (a key, perhaps under a new header); every other line keeps its text.
void CheckOneLineWritten(const std::string& before, const std::string& after) {
  const auto old_lines = Lines(before), new_lines = Lines(after);
  std::size_t head = 0, tail = 0;
  while (head < old_lines.size() && head < new_lines.size() && old_lines[head] == new_lines[head])
    ++head;
  while (tail < old_lines.size() - head && tail < new_lines.size() - head &&
         old_lines[old_lines.size() - 1 - tail] == new_lines[new_lines.size() - 1 - tail])
    ++tail;
  const std::size_t gone = old_lines.size() - head - tail;
  const std::size_t added = new_lines.size() - head - tail;
  if (gone == 0) return Check(added <= 2 && (added > 0 || before == after));
  Check(gone == 1 && added == 1);
  const std::size_t equals = old_lines[head].find('=');
  Check(equals != std::string_view::npos &&
        new_lines[head].substr(0, equals + 1) == old_lines[head].substr(0, equals + 1));
}

// Deleting takes whole lines away and changes none of those it keeps.
void CheckOnlyLinesRemoved(const std::string& before, const std::string& after) {
  const auto old_lines = Lines(before);
  std::size_t at = 0;
  for (std::string_view line : Lines(after)) {
    while (at < old_lines.size() && old_lines[at] != line) ++at;
    Check(at++ < old_lines.size());
  }
}

// The values that must not move unless aimed at, by folded section and key.
std::map<std::string, std::string> ReadProbes(const hoverdeck::ConfigFile& file) {
  std::map<std::string, std::string> values;
  for (const char* section : kProbeSections) {
    for (const char* key : kProbeKeys)
      values[std::string(section) + "\n" + key] = file.Read(section, key);
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A folder of this process's own, removed when the fuzzer exits normally.
  static const struct WorkDir {
    fs::path path =
        fs::temp_directory_path() / ("hoverdeck-fuzz-" + std::to_string(std::random_device()()));
    WorkDir() { fs::create_directories(path); }
    ~WorkDir() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } work;
  const fs::path& dir = work.path;
  FuzzedDataProvider input(data, size);
  const fs::path path = dir / "fuzz.ini";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << StartingContent(input);
  static PlainStore store;
  hoverdeck::ConfigFile file(
      path, (size & 1) ? hoverdeck::LineEnding::kCrLf : hoverdeck::LineEnding::kLf, store);
  std::map<std::pair<std::string, std::string>, std::string> written;
  auto probes = ReadProbes(file);

  for (int op = 0; op < 12 && input.remaining_bytes() > 0; ++op) {
    const std::uint8_t kind = input.ConsumeIntegralInRange(0, 3);
    const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
    std::string section = kSections[pick % std::size(kSections)];
    std::string key = kKeys[(pick >> 3) % std::size(kKeys)];
    if (kind == 3) {  // arbitrary names, which a write may refuse
      section = input.ConsumeRandomLengthString(12);
      key = input.ConsumeRandomLengthString(12);
    }
    const std::string bytes_before = FileBytes(path);
    if (kind == 0 || kind == 3) {
      std::string value = input.ConsumeRandomLengthString(40);
      if (!file.Write(section, key, value)) {
        Check(kind == 3 && FileBytes(path) == bytes_before);
        continue;
      }
      for (char& c : value) c = (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
      written[{Fold(section), Fold(key)}] = value;
      CheckOneLineWritten(bytes_before, FileBytes(path));
    } else if (kind == 1) {
      // Blanks around the name asked for make no difference.
      Check(file.DeleteSection((pick & 0x80) ? " \t" + section + " " : section));
      std::erase_if(written, [&](const auto& entry) { return entry.first.first == Fold(section); });
      CheckOnlyLinesRemoved(bytes_before, FileBytes(path));
    } else {
      file.Read(input.ConsumeRandomLengthString(12), input.ConsumeRandomLengthString(12));
      Check(file.Read(" " + section + "\t", "\t " + key) == file.Read(section, key));
      Check(FileBytes(path) == bytes_before);  // reading never changes the file
    }
    for (const auto& [name, value] : written) Check(file.Read(name.first, name.second) == value);
    const auto now = ReadProbes(file);
    for (const auto& [name, value] : now) {
      if (!name.starts_with(Fold(section) + "\n")) {
        Check(value == probes[name]);
      } else if (kind == 1) {
        Check(value.empty());  // every section of the name is gone
      } else if (kind == 2 || name != Fold(section) + "\n" + Fold(key)) {
        Check(value == probes[name]);
      }
    }
    probes = now;
  }
  Check(std::distance(fs::directory_iterator(dir), fs::directory_iterator()) == 1);
  return 0;
}
