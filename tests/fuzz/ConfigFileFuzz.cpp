// Drives ConfigFile with arbitrary starting content and a sequence of writes and deletes, and
// checks after every step that what was written reads back and nothing else moved.
//
// Input: the starting content (raw bytes, or lines assembled from INI-shaped pieces so that
// duplicates, odd headers, stray CRs and NULs, and CR-only, LF-only, CRLF or mixed line ends turn
// up often), then the operations.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/ConfigFile.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxContent = 2048;
constexpr int kMaxOperations = 12;

// Case variants of the same names, so that matching without regard to case is exercised.
const char* const kSections[] = {"Configuration", "CONFIGURATION", "configuration", "Windows",
                                 "wINDOWS",       "Caption",       "Odd]Name",      ""};
const char* const kKeys[] = {"Win1", "win1", "WIN1", "SetAllTopMost", "Key", ""};
// One spelling per distinct name: the pairs whose reads must not change unless targeted.
const char* const kProbeSections[] = {"configuration", "windows", "caption", "odd]name", ""};
const char* const kProbeKeys[] = {"win1", "setalltopmost", "key", ""};

// A directory of this process's own, removed when the fuzzer exits normally.
class WorkDir {
 public:
  WorkDir() {
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("hoverdeck-fuzz-" + std::to_string(random()) + "-" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~WorkDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::string Bytes(std::size_t count) {
    count = std::min(count, size_ - pos_);
    std::string text(reinterpret_cast<const char*>(data_ + pos_), count);
    pos_ += count;
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Starting content. First byte: bit 0 picks raw bytes (two length bytes follow). Otherwise a
// byte counts the lines, and bit 1 gives them all one terminator, picked by the bits above it
// (old Mac files end every line with CR), else each line picks its own. A line is chosen by two
// bytes: its kind and terminator, and the names in it.
std::string StartingContent(Input& input) {
  const std::uint8_t mode = input.Byte();
  if (mode & 1) {
    const std::size_t length =
        (input.Byte() | (std::size_t{input.Byte()} << 8)) % (kMaxContent + 1);
    return input.Bytes(length);
  }
  static const char* const kTerminators[] = {"\r", "\n", "\r\n", "", "\r\r\n", "\n\r"};
  constexpr int kKinds = 12;
  const bool one_terminator = mode & 2;
  std::string content;
  for (int line = input.Byte() % 24; line > 0 && content.size() < kMaxContent; --line) {
    const std::uint8_t shape = input.Byte();
    const std::uint8_t pick = input.Byte();
    const std::string section = kSections[pick % std::size(kSections)];
    const std::string key = kKeys[pick % std::size(kKeys)];
    switch (shape % kKinds) {
      case 0:
        content += "[" + section + "]";
        break;
      case 1:
        content += " \t[ " + section;
        break;  // header without its bracket
      case 2:
        content += key + "=" + input.Bytes(input.Byte() % 8);
        break;
      case 3:
        content += " " + key + " \t= \"" + input.Bytes(input.Byte() % 8) + "\" ";
        break;
      case 4:
        content += ";" + key + "=commented";
        break;
      case 5:
        content += (pick & 1) ? " \t" : "";
        break;
      case 6:
        content += input.Bytes(input.Byte() % 16);
        break;
      case 7:
        content += content.empty() ? "\xEF\xBB\xBF" : "# note";
        break;
      case 8:
        content += "[" + section + "] ; note" + ((pick & 1) ? "]" : "");
        break;  // trailing text, with or without a later ']'
      case 9:
        content += key + "=" + input.Bytes(input.Byte() % 8) + "\r" + key + "=stray";
        break;  // a stray CR inside a line
      case 10:
        content += key + "=" + input.Bytes(input.Byte() % 4) + std::string(1, '\0') +
                   input.Bytes(input.Byte() % 4);
        break;
      case 11:
        content += "[" + section + "]x]";
        break;
    }
    content +=
        kTerminators[(one_terminator ? mode >> 2 : shape / kKinds) % std::size(kTerminators)];
  }
  return content;
}

std::string_view Trim(std::string_view name) {
  while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  return name;
}

std::string Fold(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string Sanitised(std::string_view value) {
  std::string text(value);
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return text;
}

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The engine is what is fuzzed: the file goes to disk plainly, without the flushes of the
// system's store that would hold every run to the disk's pace.
class PlainStore final : public hoverdeck::FileStore {
 public:
  bool Replace(const fs::path& path, std::string_view content) override {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(out);
  }
  std::string FromLegacyText(std::string_view bytes) const override { return std::string(bytes); }
};

void Check(bool condition) {
  if (!condition) std::abort();
}

// The terminators a file uses: "" for none, else "LF", "CRLF", "CR" or "mixed".
std::string EndingStyle(std::string_view content) {
  bool lf = false, crlf = false, cr = false;
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content.substr(i).starts_with("\r\n")) {
      crlf = true;
      ++i;
    } else if (content[i] == '\r') {
      cr = true;
    } else if (content[i] == '\n') {
      lf = true;
    }
  }
  if (lf + crlf + cr > 1) return "mixed";
  return lf ? "LF" : crlf ? "CRLF" : cr ? "CR" : "";
}

// A file in one line-ending style stays in it (or loses every line); one without any terminator
// gets those chosen for new files.
void CheckEndingKept(const std::string& before, const std::string& after, const char* fallback) {
  const std::string was = EndingStyle(before);
  if (was == "mixed") return;
  const std::string now = EndingStyle(after);
  Check(now.empty() || now == (was.empty() ? fallback : was));
}

// The lines of a file as the reader sees them: LF, CRLF and a lone CR each end one; a UTF-8
// byte-order mark is no part of the first.
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

// A write changes one place: one key line's value where it stands (its text up to the '=' the
// same), or a key line added, perhaps under a new header. Every other line keeps its text, so no
// old line was merged with a new one or lost.
void CheckOneLineWritten(const std::string& before, const std::string& after) {
  const auto old_lines = Lines(before);
  const auto new_lines = Lines(after);
  std::size_t head = 0;
  while (head < old_lines.size() && head < new_lines.size() && old_lines[head] == new_lines[head])
    ++head;
  std::size_t tail = 0;
  while (tail < old_lines.size() - head && tail < new_lines.size() - head &&
         old_lines[old_lines.size() - 1 - tail] == new_lines[new_lines.size() - 1 - tail])
    ++tail;
  const std::size_t gone = old_lines.size() - head - tail;
  const std::size_t added = new_lines.size() - head - tail;
  if (gone == 0) {
    Check(added <= 2 && (added > 0 || before == after));
    return;
  }
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
    Check(at < old_lines.size());
    ++at;
  }
}

using Model = std::map<std::pair<std::string, std::string>, std::string>;

std::vector<std::string> ReadProbes(const hoverdeck::ConfigFile& file) {
  std::vector<std::string> values;
  for (const char* section : kProbeSections) {
    for (const char* key : kProbeKeys) values.push_back(file.Read(section, key));
  }
  return values;
}

// Every modelled value reads back; every probe the operation did not aim at reads as before.
void Verify(const hoverdeck::ConfigFile& file, const Model& model,
            const std::vector<std::string>& before, const std::vector<std::string>& after,
            const std::string& touched_section, const std::string* touched_key) {
  for (const auto& [name, value] : model) Check(file.Read(name.first, name.second) == value);
  std::size_t index = 0;
  for (const char* section : kProbeSections) {
    for (const char* key : kProbeKeys) {
      const bool in_section = touched_section == section;
      if (in_section && touched_key == nullptr) {
        Check(after[index].empty());  // the whole section is gone, duplicates included
      } else if (!in_section || *touched_key != key) {
        Check(after[index] == before[index]);
      }
      ++index;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static WorkDir work_dir;
  Input input(data, size);
  const std::string initial = StartingContent(input);

  const fs::path path = work_dir.path() / "fuzz.ini";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(initial.data(), static_cast<std::streamsize>(initial.size()));
  }
  const bool new_crlf = initial.size() & 1;
  const char* const new_style = new_crlf ? "CRLF" : "LF";
  static PlainStore store;
  hoverdeck::ConfigFile file(
      path, new_crlf ? hoverdeck::LineEnding::kCrLf : hoverdeck::LineEnding::kLf, store);
  Model model;
  std::vector<std::string> before = ReadProbes(file);

  for (int op = 0; op < kMaxOperations && !input.empty(); ++op) {
    const std::uint8_t kind = input.Byte() % 5;
    const std::uint8_t pick = input.Byte();
    std::string section = kSections[pick % std::size(kSections)];
    std::string key = kKeys[(pick >> 3) % std::size(kKeys)];
    const bool padded = pick & 0x80;  // names asked for with blanks around them
    if (kind == 2 || kind == 4) {     // arbitrary names, which Write may refuse
      section = input.Bytes(input.Byte() % 12);
      key = input.Bytes(input.Byte() % 12);
    }
    const std::string bytes_before = FileBytes(path);

    if (kind == 0 || kind == 2) {
      const std::string value = input.Bytes(input.Byte() % 40);
      if (!file.Write(section, key, value)) {
        Check(kind == 2 && FileBytes(path) == bytes_before);
        continue;
      }
      model[{Fold(section), Fold(key)}] = Sanitised(value);
      const std::string folded_key = Fold(key);
      const std::vector<std::string> after = ReadProbes(file);
      Verify(file, model, before, after, Fold(section), &folded_key);
      before = after;
      const std::string bytes_after = FileBytes(path);
      CheckOneLineWritten(bytes_before, bytes_after);
      CheckEndingKept(bytes_before, bytes_after, new_style);
    } else if (kind == 1 || kind == 4) {
      if (kind == 1 && padded) section = " \t" + section + " ";
      const std::string target = Fold(Trim(section));
      Check(file.DeleteSection(section));
      std::erase_if(model, [&](const auto& entry) { return entry.first.first == target; });
      const std::vector<std::string> after = ReadProbes(file);
      Verify(file, model, before, after, target, nullptr);
      before = after;
      const std::string bytes_after = FileBytes(path);
      CheckOnlyLinesRemoved(bytes_before, bytes_after);
      CheckEndingKept(bytes_before, bytes_after, new_style);
    } else {
      // Reading alone never changes the file, whatever is asked for; blanks around the names
      // asked for make no difference.
      file.Read(input.Bytes(input.Byte() % 12), input.Bytes(input.Byte() % 12));
      Check(file.Read(" " + section + "\t", "\t " + key) == file.Read(section, key));
      Check(FileBytes(path) == bytes_before);
    }
  }

  // No temporary file is ever left behind.
  Check(std::distance(fs::directory_iterator(work_dir.path()), fs::directory_iterator()) == 1);
  return 0;
}
