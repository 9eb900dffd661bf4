// The port for keeping the settings file on disk: replacing its content safely, and reading
// text that a file holds in the system's code page rather than in UTF-8.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace hoverdeck {

class FileStore {
 public:
  FileStore() = default;
  FileStore(const FileStore&) = delete;
  FileStore& operator=(const FileStore&) = delete;
  virtual ~FileStore() = default;

  // Makes `content` the whole content of the file (created when missing), so that a crash or a
  // power cut leaves the old or the new content: a temporary file beside it (named as
  // app/TemporaryFiles.h tells) takes the new content and replaces the file in one rename. A
  // symbolic link is followed; the file keeps its attributes, access rights and, where
  // possible, its owner. A file with more than one name (hard links), or in a folder that takes
  // no new file, is written in place instead (see OverwriteInPlace), so that every name keeps
  // seeing it. False, with
  // the file as it was and no temporary file left, when it cannot be done: a read-only file, no
  // regular file, another program holding it beyond a brief wait, a full disk, no right to write
  // the file itself (even where its folder would let it be replaced).
  virtual bool Replace(const std::filesystem::path& path, std::string_view content) = 0;

  // Removes this program's temporary files for the file at `path` (see Replace) that a write
  // killed half-way left behind, and only those certainly abandoned (see IsAbandonedTemporary),
  // their age counted up to `started`: another machine may be writing in a shared folder.
  virtual void RemoveLeftovers(const std::filesystem::path& path,
                               std::filesystem::file_time_type started) = 0;

  // Text from the file that is not valid UTF-8, as UTF-8: decoded in the system's code page
  // where the platform has one, else given back as it is.
  virtual std::string FromLegacyText(std::string_view bytes) const = 0;
};

// The platform's own store, for the life of the process.
FileStore& SystemFileStore();

// This machine's name as the store's temporary files carry it: one that no other machine that
// may share a folder with it has (its installation's id where the system keeps one).
std::string MachineName();

}  // namespace hoverdeck
