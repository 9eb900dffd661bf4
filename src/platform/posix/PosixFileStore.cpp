// The settings file on POSIX systems: the new content goes to a temporary file beside it, is
// flushed to the disk and renamed over the old file, and the folder is flushed after.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "app/FileStore.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Close(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The file a chain of symbolic links ends at (the path itself when it is no link), so that the
// file is updated and the link stays a link.
fs::path FollowLinks(fs::path path) {
  std::error_code error;
  for (int hops = 0; hops < 40 && fs::is_symlink(path, error); ++hops) {
    const fs::path target = fs::read_symlink(path, error);
    if (error) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

// A file without any write permission was made read-only on purpose; that holds for root too,
// whom the permission bits alone would not stop.
bool IsReadOnly(const fs::path& path, const struct stat& info) {
  return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

void SyncFolder(const fs::path& folder) {
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.valid()) ::fsync(fd.get());
}

// For a folder that takes no new file while the file itself is writable (an install prepared by
// an administrator). Space is claimed before the first byte changes, so a full disk leaves the
// old content; a crash in the middle leaves what the file system makes of an overwrite.
bool OverwriteInPlace(const fs::path& path, std::string_view content) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (!fd.valid()) return false;
  const int reserved = ::posix_fallocate(fd.get(), 0, static_cast<off_t>(content.size()));
  if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) return false;
  bool written = WriteAll(fd.get(), content);
  written = written && ::ftruncate(fd.get(), static_cast<off_t>(content.size())) == 0;
  written = written && ::fsync(fd.get()) == 0;
  return fd.Close() && written;
}

class PosixFileStore final : public FileStore {
 public:
  bool Replace(const fs::path& given, std::string_view content) override {
    const fs::path path = FollowLinks(given);
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists && (!S_ISREG(info.st_mode) || IsReadOnly(path, info))) return false;

    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    // Only a bounded part of the name, so the temporary name stays within name limits.
    std::string name = path.filename().string();
    if (name.size() > 64) name.resize(64);
    std::string temporary = (folder / name).string() + ".XXXXXX.tmp";
    UniqueFd fd(::mkstemps(temporary.data(), 4));
    if (!fd.valid()) {
      return exists && (errno == EACCES || errno == EPERM) && OverwriteInPlace(path, content);
    }
    bool written = WriteAll(fd.get(), content);
    if (exists) {
      // The owner can be kept only where the system lets us give the file away (as root); the
      // group where we belong to it. Then the mode, which a change of owner may have cut.
      if (::fchown(fd.get(), info.st_uid, info.st_gid) != 0) {
        [[maybe_unused]] const int ignored =
            ::fchown(fd.get(), static_cast<uid_t>(-1), info.st_gid);
      }
      ::fchmod(fd.get(), info.st_mode & 07777);
    } else {
      ::fchmod(fd.get(), NewFileMode());
    }
    written = written && ::fsync(fd.get()) == 0;
    written = fd.Close() && written;
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
      ::unlink(temporary.c_str());
      return false;
    }
    SyncFolder(folder);
    return true;
  }

  std::string FromLegacyText(std::string_view bytes) const override { return std::string(bytes); }
};

}  // namespace

FileStore& SystemFileStore() {
  static PosixFileStore store;
  return store;
}

}  // namespace hoverdeck
