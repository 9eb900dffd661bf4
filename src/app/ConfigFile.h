// The INI file that holds every setting and both rule catalogues.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace hoverdeck {

// Line ending of a file that the program creates; an existing file keeps its own.
enum class LineEnding { kLf, kCrLf };

#ifdef _WIN32
inline constexpr LineEnding kNativeLineEnding = LineEnding::kCrLf;
#else
inline constexpr LineEnding kNativeLineEnding = LineEnding::kLf;
#endif

// Each operation stands alone: it reads the file as it is now, and a write replaces the whole
// file atomically (temporary file in the same directory, then rename), so that a crash or a full
// disk leaves either the old or the new file. Everything an operation does not touch survives
// byte for byte, line endings included: LF, CRLF and a lone CR each end a line, and new lines get
// the file's first terminator. Section and key names are matched without regard to ASCII case,
// the names asked for with blanks or tabs at either end dropped. A header's name runs to its last
// ']'; a line that opens with '[' but has no ']' is no header.
class ConfigFile {
 public:
  explicit ConfigFile(std::filesystem::path path, LineEnding new_file_ending = kNativeLineEnding);

  const std::filesystem::path& path() const { return path_; }

  // The value of the first matching key of the first matching section, with blanks around it
  // dropped, cut at a NUL, and one enclosing pair of matching quotes removed; "" when the file,
  // section or key is missing or cannot be read. Only the first section of a name is consulted,
  // the one that Write updates.
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

 private:
  std::filesystem::path path_;
  LineEnding new_file_ending_;
};

}  // namespace hoverdeck
