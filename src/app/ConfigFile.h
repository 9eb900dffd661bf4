// The INI file that holds every setting and both rule catalogues.
#pragma once

#include <filesystem>
#include <optional>
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
// reads the file as it is now, and a change replaces it at once; inside a batch (see Batch) the
// calls share one reading and the changes one replacement. Everything a change does not touch
// survives byte for byte, line endings included: LF, CRLF and a lone CR each end a line, and new
// lines get the file's first terminator. A file that opens with a UTF-16 byte-order mark is
// read as UTF-16 and written back in it; any other is 8-bit text. Section and key names are
// matched without regard to ASCII case, the names asked for with blanks or tabs at either end
// dropped. A header's name runs to its last ']'; a line that opens with '[' but has no ']' is
// no header.
class ConfigFile {
 public:
  explicit ConfigFile(std::filesystem::path path, LineEnding new_file_ending = kNativeLineEnding,
                      FileStore& store = SystemFileStore());

  const std::filesystem::path& path() const { return path_; }

  // The calls on the file while it lives share one reading of the file; their changes replace
  // it once, at Commit or when the batch goes out of scope, however the scope is left. A file
  // that exists but cannot be read fails every change of the batch and is left alone. A batch
  // made inside another is part of the outer one.
  class Batch {
   public:
    explicit Batch(ConfigFile& file);
    ~Batch() { Commit(); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    // Ends the batch: true when the file holds every change of it (also when there was nothing
    // to write). Later calls go to the file one by one.
    bool Commit();

   private:
    ConfigFile* owner_;  // null when nested or ended
  };

  // The value of the first matching key of the first matching section, with blanks around it
  // dropped, cut at a NUL, and one enclosing pair of matching quotes removed; "" when the file,
  // section or key is missing or cannot be read. Only the first section of a name is consulted,
  // the one that Write updates. A value that is not valid UTF-8 is read as the store decodes it.
  std::string Read(std::string_view section, std::string_view key) const;
  // As Read, but nullopt when the key is missing (or the file cannot be read), so that an empty
  // value can mean something of its own.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

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

  // Keeps a complete copy of the file as it is on disk beside it, through the store: at the
  // first of "<file>.bak", "<file>.bak2", "<file>.bak3", ... that is free or already holds these
  // very bytes, so that an earlier copy is never overwritten. `made` is false when no copy
  // could be made; `path` is then the name it was tried under.
  struct Copy {
    std::filesystem::path path;
    bool made = false;
  };
  Copy KeepCopy() const;

  // Removes the temporary files that a write killed half-way left beside the file, those
  // certainly abandoned at `started` (see FileStore::RemoveLeftovers).
  void RemoveLeftovers(std::filesystem::file_time_type started);

  // Whether a change could not be written since the last call (the change then holds in memory
  // only); asking clears it.
  bool TakeWriteFailure() { return std::exchange(write_failed_, false); }

 private:
  enum class Encoding { kBytes, kUtf16Le, kUtf16Be };

  bool Begin();
  bool Commit();
  template <typename Change>
  bool Apply(Change change);
  const std::string* Lookup(std::string_view section, std::string_view key) const;

  std::filesystem::path path_;
  LineEnding new_file_ending_;
  FileStore* store_;
  bool batch_open_ = false;
  bool readable_ = true;  // the batch's reading worked (a missing file reads as empty)
  bool changed_ = false;
  bool write_failed_ = false;
  Encoding encoding_ = Encoding::kBytes;  // of the file as read; the text in memory is UTF-8
  std::string content_;
  // Raw values of the first key of each name in the first section of each name, by folded
  // "section\nkey"; made at the first Read after a change.
  mutable std::unordered_map<std::string, std::string> index_;
  mutable bool indexed_ = false;
};

}  // namespace hoverdeck
