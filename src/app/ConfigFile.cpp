#include "app/ConfigFile.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <random>
#include <system_error>
#include <thread>
#include <utility>

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsLineBreakOrNul(char c) { return c == '\r' || c == '\n' || c == '\0'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view Trim(std::string_view text) {
  text = TrimLeft(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool EnclosedInQuotes(std::string_view text) {
  return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
         text.front() == text.back();
}

// What a stored value reads as: blanks around the line's value dropped, then anything from a NUL
// on, then one pair of like quotes. The order is the platform's: "a  \0b" reads as "a  ".
std::string DecodeValue(std::string_view raw) {
  std::string_view value = Trim(raw);
  value = value.substr(0, value.find('\0'));
  if (EnclosedInQuotes(value)) value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// The inverse of DecodeValue for any value free of line breaks; those and NUL become blanks so
// that a value (a window caption, say) can never add lines or sections of its own.
std::string EncodeValue(std::string_view value) {
  std::string text(value);
  for (char& c : text) {
    if (IsLineBreakOrNul(c)) c = ' ';
  }
  if (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back()) || EnclosedInQuotes(text))) {
    return '"' + text + '"';
  }
  return text;
}

bool HasBreakOrNul(std::string_view name) {
  for (char c : name) {
    if (IsLineBreakOrNul(c)) return true;
  }
  return false;
}

// A name that, once written, the reader would find under exactly that name. A header's name
// runs to its last ']', so a section name may hold ']' itself.
bool CanStoreSectionName(std::string_view name) {
  return Trim(name).size() == name.size() && !HasBreakOrNul(name);
}

bool CanStoreKeyName(std::string_view name) {
  if (Trim(name).size() != name.size() || HasBreakOrNul(name)) return false;
  if (name.find('=') != std::string_view::npos) return false;
  return name.empty() || (name.front() != '[' && name.front() != ';' && name.front() != '#');
}

// One line of the file as offsets into the whole content.
struct Line {
  enum class Kind { kBlank, kOther, kSection, kKey };
  std::size_t begin = 0;  // first byte
  std::size_t end = 0;    // past the text, before the terminator
  std::size_t next = 0;   // past the terminator: where the next line starts
  Kind kind = Kind::kOther;
  std::string_view name;        // section or key name, trimmed
  std::size_t value_begin = 0;  // keys: past the '=' and any blanks after it
};

// Walks the lines of a file's content (a UTF-8 byte-order mark is skipped). LF, CRLF and a lone
// CR each end a line, so old Mac files and a stray CR inside a line read as the platform reads
// them.
class LineScanner {
 public:
  explicit LineScanner(std::string_view content)
      : content_(content), pos_(content.starts_with(kBom) ? kBom.size() : 0) {}

  std::size_t body_begin() const { return content_.starts_with(kBom) ? kBom.size() : 0; }

  bool Next(Line& line) {
    if (pos_ >= content_.size()) return false;
    line = Line();
    line.begin = pos_;
    const std::size_t stop = content_.find_first_of("\r\n", pos_);
    if (stop == std::string_view::npos) {
      line.end = line.next = content_.size();  // a last line without terminator
    } else {
      line.end = stop;
      line.next = stop + (content_.substr(stop).starts_with("\r\n") ? 2 : 1);
    }
    pos_ = line.next;
    Classify(line);
    return true;
  }

 private:
  void Classify(Line& line) const {
    std::string_view text = content_.substr(line.begin, line.end - line.begin);
    std::string_view body = TrimLeft(text);
    if (body.empty()) {
      line.kind = Line::Kind::kBlank;
    } else if (body.front() == '[') {
      // The name runs to the last ']'; text after it is ignored. Without any ']' the line is
      // no header at all, and the keys after it stay in the section before.
      const std::size_t close = body.rfind(']');
      if (close != std::string_view::npos) {
        line.kind = Line::Kind::kSection;
        line.name = Trim(body.substr(1, close - 1));
      }
    } else if (body.front() == ';' || body.front() == '#') {
      line.kind = Line::Kind::kOther;
    } else if (std::size_t equals = text.find('='); equals != std::string_view::npos) {
      line.kind = Line::Kind::kKey;
      line.name = Trim(text.substr(0, equals));
      // Blanks after the '=' are layout, kept when the value is replaced.
      line.value_begin = line.begin + equals + 1;
      while (line.value_begin < line.end && IsBlank(content_[line.value_begin])) ++line.value_begin;
    } else {
      line.kind = Line::Kind::kOther;
    }
  }

  std::string_view content_;
  std::size_t pos_;
};

// The terminator new lines get: the file's first one, else the one chosen for new files.
std::string_view LineEndingFor(std::string_view content, LineEnding fallback) {
  const std::size_t stop = content.find_first_of("\r\n");
  if (stop == std::string_view::npos) return fallback == LineEnding::kCrLf ? "\r\n" : "\n";
  if (content[stop] == '\n') return "\n";
  return content.substr(stop).starts_with("\r\n") ? "\r\n" : "\r";
}

// What the file's last line needs before more lines can follow it: a terminator when it has
// none; in a CRLF file, the LF of a lone CR at the very end (a CRLF whose LF went missing).
std::string_view CompletionFor(std::string_view content, std::size_t body_begin,
                               std::string_view ending) {
  if (content.size() <= body_begin || content.ends_with('\n')) return "";
  if (content.ends_with('\r')) return ending == "\r\n" ? "\n" : "";
  return ending;
}

enum class LoadResult { kLoaded, kMissing, kFailed };

// Reads the whole file. A missing file is not an error; anything else that stops the read is,
// so that no write ever replaces content it could not see.
LoadResult Load(const fs::path& path, std::string& content) {
  content.clear();
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return LoadResult::kMissing;
  if (error || status.type() != fs::file_type::regular) return LoadResult::kFailed;
  std::ifstream in(path, std::ios::binary);
  if (!in) return LoadResult::kFailed;
  char buffer[16384];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    content.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad() || !in.eof()) return LoadResult::kFailed;
  return LoadResult::kLoaded;
}

// A name in the target's directory that no other writer, in this or another process, will pick.
fs::path TemporaryNameFor(const fs::path& target) {
  static const std::uint64_t process_tag = [] {
    std::uint64_t tag = 0;
    try {
      std::random_device random;
      tag = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    } catch (...) {
      tag = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&tag));
    }
    return tag;
  }();
  static std::atomic<std::uint64_t> counter{0};
  // Only a bounded part of the file name, so the temporary name stays within name limits.
  fs::path::string_type name = target.filename().native();
  if (name.size() > 64) name.resize(64);
  std::string suffix = "." + std::to_string(process_tag) + "-" + std::to_string(counter++) + ".tmp";
  name += fs::path(suffix).native();
  return target.parent_path() / fs::path(name);
}

constexpr int kRenameAttempts = 10;
constexpr auto kRenamePause = std::chrono::milliseconds(50);

// Replaces the file with the given content so that it is never seen half written: the content
// goes to a temporary file next to it, which is then renamed over it.
bool ReplaceFile(const fs::path& target, std::string_view content, bool target_exists) {
  std::error_code error;
  // The per-user settings folder is made by the first write that needs it.
  if (!target_exists) fs::create_directories(target.parent_path(), error);
  fs::path temporary;
  for (int attempt = 0; attempt < 16; ++attempt) {
    temporary = TemporaryNameFor(target);
    // Not found is the only answer that makes the name usable (any other error keeps looking).
    if (fs::symlink_status(temporary, error).type() == fs::file_type::not_found) break;
    temporary.clear();
  }
  if (temporary.empty()) return false;

  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) return false;  // nothing was created
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.flush();
  bool written = out.good();
  out.close();
  written = written && !out.fail();

  if (written && target_exists) {
    // Keep the file's access rights (a private settings file stays private); best effort.
    fs::file_status status = fs::status(target, error);
    if (!error) fs::permissions(temporary, status.permissions(), error);
  }
  if (written) {
    // Another program holding the file open for a moment (a scanner, an indexer, an editor)
    // makes the rename fail on Windows: try again briefly before giving up.
    for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(kRenamePause);
      fs::rename(temporary, target, error);
      if (!error) return true;
    }
  }
  fs::remove(temporary, error);
  return false;
}

}  // namespace

ConfigFile::ConfigFile(std::filesystem::path path, LineEnding new_file_ending)
    : path_(std::move(path)), new_file_ending_(new_file_ending) {}

std::string ConfigFile::Read(std::string_view section, std::string_view key) const {
  section = Trim(section);
  key = Trim(key);
  std::string content;
  if (Load(path_, content) != LoadResult::kLoaded) return "";
  LineScanner scanner(content);
  Line line;
  bool in_section = false;
  while (scanner.Next(line)) {
    if (line.kind == Line::Kind::kSection) {
      if (in_section) return "";  // the first section of that name ended without the key
      in_section = SameName(line.name, section);
    } else if (in_section && line.kind == Line::Kind::kKey && SameName(line.name, key)) {
      return DecodeValue(
          std::string_view(content).substr(line.value_begin, line.end - line.value_begin));
    }
  }
  return "";
}

bool ConfigFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  if (!CanStoreSectionName(section) || !CanStoreKeyName(key)) return false;
  std::string content;
  LoadResult loaded = Load(path_, content);
  if (loaded == LoadResult::kFailed) return false;

  const std::string encoded = EncodeValue(value);
  const std::string_view view(content);
  const std::string_view ending = LineEndingFor(view, new_file_ending_);

  // Find the first section of that name: the key in it, or where a new key goes (after its last
  // non-blank line, so blank lines that part it from the next section stay where they are).
  LineScanner scanner(view);
  Line line;
  bool in_section = false;
  bool section_found = false;
  Line last_filled;
  while (scanner.Next(line)) {
    if (line.kind == Line::Kind::kSection) {
      if (in_section) break;
      in_section = SameName(line.name, section);
      if (in_section) section_found = true;
    }
    if (!in_section) continue;
    if (line.kind == Line::Kind::kKey && SameName(line.name, key)) {
      std::string updated;
      updated.reserve(content.size() + encoded.size());
      updated.append(view.substr(0, line.value_begin));
      updated.append(encoded);
      updated.append(view.substr(line.end));
      if (updated == content) return true;
      return ReplaceFile(path_, updated, true);
    }
    if (line.kind != Line::Kind::kBlank) last_filled = line;
  }

  std::string updated;
  updated.reserve(content.size() + section.size() + key.size() + encoded.size() + 8);
  const std::size_t insert_at = section_found ? last_filled.next : content.size();
  updated.append(view.substr(0, insert_at));
  if (insert_at == content.size()) {
    updated.append(CompletionFor(view, scanner.body_begin(), ending));
  }
  if (!section_found) updated.append("[").append(section).append("]").append(ending);
  updated.append(key).append("=").append(encoded).append(ending);
  // A new line that ends in a lone CR right before an LF would make a CRLF of the two and take
  // the empty line that LF ends; the LF keeps its line when the new one ends in CRLF.
  if (ending == "\r" && view.substr(insert_at).starts_with('\n')) updated.append("\n");
  updated.append(view.substr(insert_at));
  return ReplaceFile(path_, updated, loaded == LoadResult::kLoaded);
}

bool ConfigFile::DeleteSection(std::string_view section) {
  section = Trim(section);
  std::string content;
  LoadResult loaded = Load(path_, content);
  if (loaded == LoadResult::kMissing) return true;
  if (loaded == LoadResult::kFailed) return false;

  const std::string_view view(content);
  LineScanner scanner(view);
  std::string kept;
  kept.reserve(content.size());
  kept.append(view.substr(0, scanner.body_begin()));
  bool removing = false;
  bool removed_any = false;
  Line line;
  while (scanner.Next(line)) {
    if (line.kind == Line::Kind::kSection) removing = SameName(line.name, section);
    if (removing) {
      removed_any = true;
    } else {
      kept.append(view.substr(line.begin, line.next - line.begin));
    }
  }
  if (!removed_any) return true;
  return ReplaceFile(path_, kept, true);
}

}  // namespace hoverdeck
