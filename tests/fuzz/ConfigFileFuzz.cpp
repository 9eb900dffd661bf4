// Drives ConfigFile with arbitrary starting content and a sequence of writes and deletes, and
// checks after every step that what was written reads back and nothing else moved.
//
// Input: the starting content (raw bytes, or lines assembled from INI-shaped pieces so that
// duplicates, odd headers and mixed line ends turn up often), then the operations.
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
const char* const kSections[] = {
    "Configuration", "CONFIGURATION", "configuration", "Windows", "wINDOWS", "Caption", ""};
const char* const kKeys[] = {"Win1", "win1", "WIN1", "SetAllTopMost", "Key", ""};
// One spelling per distinct name: the pairs whose reads must not change unless targeted.
const char* const kProbeSections[] = {"configuration", "windows", "caption", ""};
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

// Starting content. First byte: bit 0 picks raw bytes (two length bytes follow), else the rest
// of it counts the lines, each chosen by one byte: low 3 bits the kind, top 2 the terminator.
std::string StartingContent(Input& input) {
  const std::uint8_t mode = input.Byte();
  if (mode & 1) {
    const std::size_t length =
        (input.Byte() | (std::size_t{input.Byte()} << 8)) % (kMaxContent + 1);
    return input.Bytes(length);
  }
  static const char* const kTerminators[] = {"\n", "\r\n", "", "\r"};
  std::string content;
  for (int line = (mode >> 1) % 24; line > 0 && content.size() < kMaxContent; --line) {
    const std::uint8_t shape = input.Byte();
    const std::uint8_t pick = input.Byte();
    const std::string section = kSections[pick % std::size(kSections)];
    const std::string key = kKeys[pick % std::size(kKeys)];
    switch (shape & 7) {
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
    }
    content += kTerminators[shape >> 6];
  }
  return content;
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

void Check(bool condition) {
  if (!condition) std::abort();
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
  hoverdeck::ConfigFile file(
      path, (initial.size() & 1) ? hoverdeck::LineEnding::kCrLf : hoverdeck::LineEnding::kLf);
  Model model;
  std::vector<std::string> before = ReadProbes(file);

  for (int op = 0; op < kMaxOperations && !input.empty(); ++op) {
    const std::uint8_t kind = input.Byte() % 5;
    const std::uint8_t pick = input.Byte();
    std::string section = kSections[pick % std::size(kSections)];
    std::string key = kKeys[(pick >> 3) % std::size(kKeys)];
    if (kind == 2 || kind == 4) {  // arbitrary names, which Write may refuse
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
    } else if (kind == 1 || kind == 4) {
      Check(file.DeleteSection(section));
      std::erase_if(model, [&](const auto& entry) { return entry.first.first == Fold(section); });
      const std::vector<std::string> after = ReadProbes(file);
      Verify(file, model, before, after, Fold(section), nullptr);
      before = after;
    } else {
      // Reading alone never changes the file, whatever is asked for.
      file.Read(input.Bytes(input.Byte() % 12), input.Bytes(input.Byte() % 12));
      Check(FileBytes(path) == bytes_before);
    }
  }

  // No temporary file is ever left behind.
  Check(std::distance(fs::directory_iterator(work_dir.path()), fs::directory_iterator()) == 1);
  return 0;
}
