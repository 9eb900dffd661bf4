#include "app/ConfigFile.h"

#include <cstddef>
#include <fstream>
#include <system_error>
#include <utility>

#include "app/Utf8.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
// Copies of the file kept before a cut: "<file>.bak" up to "<file>.bak<kMostCopies>".
constexpr int kMostCopies = 999;

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

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (byte >= 0xC2 && byte <= 0xDF) {
      length = 2;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
      length = 3;
      if (byte == 0xE0) low = 0xA0;
      if (byte == 0xED) high = 0x9F;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
      length = 4;
      if (byte == 0xF0) low = 0x90;
      if (byte == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = FoldAscii(c);
  return folded;
}

std::string IndexKey(std::string_view section, std::string_view key) {
  return FoldedName(section) + '\n' + FoldedName(key);
}

// Sets the key's value in the first section of that name, or adds the key (and its section).
void WriteIn(std::string& content, std::string_view section, std::string_view key,
             std::string_view encoded, LineEnding new_file_ending) {
  const std::string_view view(content);
  const std::string_view ending = LineEndingFor(view, new_file_ending);

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
      content.replace(line.value_begin, line.end - line.value_begin, encoded);
      return;
    }
    if (line.kind != Line::Kind::kBlank) last_filled = line;
  }

  std::string added;
  const std::size_t insert_at = section_found ? last_filled.next : content.size();
  if (insert_at == content.size()) added.append(CompletionFor(view, scanner.body_begin(), ending));
  if (!section_found) added.append("[").append(section).append("]").append(ending);
  added.append(key).append("=").append(encoded).append(ending);
  // A new line that ends in a lone CR right before an LF would make a CRLF of the two and take
  // the empty line that LF ends; the LF keeps its line when the new one ends in CRLF.
  if (ending == "\r" && view.substr(insert_at).starts_with('\n')) added.append("\n");
  content.insert(insert_at, added);
}

// Removes every section of that name; false when there was none.
bool DeleteIn(std::string& content, std::string_view section) {
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
  if (removed_any) content = std::move(kept);
  return removed_any;
}

}  // namespace

ConfigFile::ConfigFile(std::filesystem::path path, LineEnding new_file_ending, FileStore& store)
    : path_(std::move(path)), new_file_ending_(new_file_ending), store_(&store) {}

ConfigFile::Batch::Batch(ConfigFile& file) : owner_(file.batch_open_ ? nullptr : &file) {
  if (owner_) owner_->Begin();
}

bool ConfigFile::Batch::Commit() {
  ConfigFile* file = std::exchange(owner_, nullptr);
  return file == nullptr || file->Commit();
}

bool ConfigFile::Begin() {
  batch_open_ = true;
  changed_ = false;
  indexed_ = false;
  readable_ = Load(path_, content_) != LoadResult::kFailed;
  // UTF-16 text is worked on as UTF-8 and written back as it came.
  encoding_ = content_.starts_with(kUtf16LeBom)   ? Encoding::kUtf16Le
              : content_.starts_with(kUtf16BeBom) ? Encoding::kUtf16Be
                                                  : Encoding::kBytes;
  if (encoding_ != Encoding::kBytes) {
    content_ = Utf8FromUtf16(std::string_view(content_).substr(2), encoding_ == Encoding::kUtf16Be);
  }
  return readable_;
}

bool ConfigFile::Commit() {
  batch_open_ = false;
  if (readable_ && changed_ && path_.has_parent_path()) {
    // The per-user settings folder is made by the first write that needs it.
    std::error_code error;
    fs::create_directories(path_.parent_path(), error);
  }
  bool saved = readable_;
  if (saved && changed_ && encoding_ == Encoding::kBytes) {
    saved = store_->Replace(path_, content_);
  } else if (saved && changed_) {
    const bool big_endian = encoding_ == Encoding::kUtf16Be;
    saved = store_->Replace(path_, std::string(big_endian ? kUtf16BeBom : kUtf16LeBom) +
                                       Utf16FromUtf8(content_, big_endian));
  }
  if (changed_ && !saved) write_failed_ = true;
  changed_ = false;
  return saved;
}

template <typename Change>
bool ConfigFile::Apply(Change change) {
  if (batch_open_) {
    if (!readable_) return false;
    const std::string before = content_;
    if (!change(content_)) return true;
    // Only a text that really changed is written (a value written again as it stood is not).
    if (content_ != before) {
      changed_ = true;
      indexed_ = false;
    }
    return true;
  }
  Batch batch(*this);
  const bool applied = Apply(change);
  return batch.Commit() && applied;
}

const std::string* ConfigFile::Lookup(std::string_view section, std::string_view key) const {
  if (!indexed_) {
    index_.clear();
    LineScanner scanner(content_);
    Line line;
    bool in_section = false;
    std::unordered_map<std::string, bool> sections_seen;
    std::string folded_section;
    while (scanner.Next(line)) {
      if (line.kind == Line::Kind::kSection) {
        folded_section = FoldedName(line.name);
        // Only the first section of a name counts.
        in_section = sections_seen.emplace(folded_section, true).second;
      } else if (in_section && line.kind == Line::Kind::kKey) {
        index_.emplace(folded_section + '\n' + FoldedName(line.name),
                       content_.substr(line.value_begin, line.end - line.value_begin));
      }
    }
    indexed_ = true;
  }
  const auto found = index_.find(IndexKey(Trim(section), Trim(key)));
  return found == index_.end() ? nullptr : &found->second;
}

std::string ConfigFile::Read(std::string_view section, std::string_view key) const {
  return Find(section, key).value_or("");
}

std::optional<std::string> ConfigFile::Find(std::string_view section, std::string_view key) const {
  if (!batch_open_) {
    ConfigFile now(path_, new_file_ending_, *store_);
    now.Begin();
    return now.Find(section, key);
  }
  const std::string* raw = readable_ ? Lookup(section, key) : nullptr;
  if (raw == nullptr) return std::nullopt;
  std::string value = DecodeValue(*raw);
  return IsUtf8(value) || encoding_ != Encoding::kBytes ? value : store_->FromLegacyText(value);
}

bool ConfigFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  if (!CanStoreSectionName(section) || !CanStoreKeyName(key)) return false;
  const std::string encoded = EncodeValue(value);
  return Apply([&](std::string& content) {
    WriteIn(content, section, key, encoded, new_file_ending_);
    return true;
  });
}

bool ConfigFile::DeleteSection(std::string_view section) {
  section = Trim(section);
  return Apply([&](std::string& content) { return DeleteIn(content, section); });
}

bool ConfigFile::WriteSection(std::string_view section, const Keys& keys) {
  if (!CanStoreSectionName(section)) return false;
  for (const auto& [key, value] : keys) {
    if (!CanStoreKeyName(key)) return false;
  }
  return Apply([&](std::string& content) {
    DeleteIn(content, section);
    if (keys.empty()) return true;
    // The same bytes as a new section written key by key at the end of the file.
    const std::string_view ending = LineEndingFor(content, new_file_ending_);
    std::string added(CompletionFor(content, LineScanner(content).body_begin(), ending));
    added.append("[").append(section).append("]").append(ending);
    for (const auto& [key, value] : keys) {
      added.append(key).append("=").append(EncodeValue(value)).append(ending);
    }
    content += added;
    return true;
  });
}

ConfigFile::Copy ConfigFile::KeepCopy() const {
  std::string content;
  const bool loaded = Load(path_, content) == LoadResult::kLoaded;
  Copy copy;
  for (int n = 1; n <= kMostCopies; ++n) {
    copy.path = path_;
    copy.path += ".bak" + (n == 1 ? std::string() : std::to_string(n));
    if (!loaded) return copy;
    std::string held;
    const LoadResult found = Load(copy.path, held);
    if (found == LoadResult::kLoaded && held == content) {
      copy.made = true;
      return copy;
    }
    if (found == LoadResult::kMissing) {
      copy.made = store_->Replace(copy.path, content);
      return copy;
    }
  }
  return copy;
}

void ConfigFile::RemoveLeftovers(std::filesystem::file_time_type started) {
  store_->RemoveLeftovers(path_, started);
}

}  // namespace hoverdeck
