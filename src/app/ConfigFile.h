// The INI file that holds every setting and both rule catalogues.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/FileStore.h"

namespace hoverdeck {

// Line ending of a file that the program creates; an existing file keeps its own.
enum class LineEnding { kLf, kCrLf };

#ifdef _WIN32
inline constexpr LineEnding kNativeLineEnding = LineEnding::kCrLf;
#else
inline constexpr LineEnding kNativeLineEnding = LineEnding::kLf;
#endif

// The file's text is read into memory and each change is made there; the file is replaced as a
// whole through the store (see FileStore), never written in part. Without a batch each call
// reads the file as it is now, and a change replaces it at once; inside a batch (Begin ...
// Commit) the calls share one reading and the changes one replacement. Everything a change does
// not touch survives byte for byte, line endings included: LF, CRLF and a lone CR each end a
// line, and new lines get the file's first terminator. Section and key names are matched without
// regard to ASCII case, the names asked for with blanks or tabs at either end dropped. A
// header's name runs to its last ']'; a line that opens with '[' but has no ']' is no header.
class ConfigFile {
 public:
  explicit ConfigFile(std::filesystem::path path, LineEnding new_file_ending = kNativeLineEnding,
                      FileStore& store = SystemFileStore());

  const std::filesystem::path& path() const { return path_; }

  // Reads the file for a batch of calls. False when the file exists but cannot be read; every
  // change of the batch then fails and the file is left alone.
  bool Begin();
  // Ends the batch: replaces the file once when a call changed it. True when the file holds
  // every change of the batch (also when there was nothing to write).
  bool Commit();

  // The value of the first matching key of the first matching section, with blanks around it
  // dropped, cut at a NUL, and one enclosing pair of matching quotes removed; "" when the file,
  // section or key is missing or cannot be read. Only the first section of a name is consulted,
  // the one that Write updates. A value that is not valid UTF-8 is read as the store decodes it.
  std::string Read(std::string_view section, std::string_view key) const;

  // Stores the value: replaced where the key stands, else added at the end of its section, else
  // in a new section at the end of the file (created when missing). CR, LF and NUL in the value
  // become blanks; a value that the reader would otherwise change (blanks or tabs at either end,
  // or enclosed in a pair of like quotes) is written inside double quotes. False when nothing
  // could be written; the old file is then intact. Names that could not be read back as given
  // are refused (false): blanks or tabs at either end, CR, LF or NUL anywhere, `=` in a key name,
  // or a key name starting with `[`, `;` or `#`.
  bool Write(std::string_view section, std::string_view key, std::string_view value);

  // Removes every section of that name with all its keys, up to the next section header. True
  // when the file is as wanted afterwards (also when there was nothing to remove, in which case
  // the file is not rewritten); false when the file exists but cannot be read or replaced.
  bool DeleteSection(std::string_view section);

  // Removes every section of that name and adds it anew at the end of the file with these keys
  // in this order; no section at all when there are none. One replacement of the file holds the
  // whole old section or the whole new one. Names are refused as by Write.
  using Keys = std::vector<std::pair<std::string, std::string>>;
  bool WriteSection(std::string_view section, const Keys& keys);

  // Copies the file as it is on disk to `target` through the store; false when either fails.
  bool CopyTo(const std::filesystem::path& target);

 private:
  template <typename Change>
  bool Apply(Change change);
  const std::string* Lookup(std::string_view section, std::string_view key) const;

  std::filesystem::path path_;
  LineEnding new_file_ending_;
  FileStore* store_;
  bool batch_open_ = false;
  bool readable_ = true;  // the batch's reading worked (a missing file reads as empty)
  bool changed_ = false;
  std::string content_;
  // Raw values of the first key of each name in the first section of each name, by folded
  // "section\nkey"; made at the first Read after a change.
  mutable std::unordered_map<std::string, std::string> index_;
  mutable bool indexed_ = false;
};

}  // namespace hoverdeck
