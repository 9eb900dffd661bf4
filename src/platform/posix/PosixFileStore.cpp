// The settings file on POSIX systems: the new content goes to a temporary file beside it, is
// flushed to the disk and renamed over the old file, and the folder is flushed after.
#include "platform/posix/PosixFileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string>
#include <utility>

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

bool WriteAll(int fd, std::string_view content, off_t at) {
  while (!content.empty()) {
    const ssize_t written = ::pwrite(fd, content.data(), content.size(), at);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<std::size_t>(written));
    at += written;
  }
  return true;
}

// The start of a temporary file's name for the file `name`; only a bounded part of the name, so
// that the temporary name stays within name limits.
std::string TemporaryPrefix(std::string name) {
  if (name.size() > 64) name.resize(64);
  return name + '.';
}

// "<prefix>XXXXXX.tmp", the form mkstemps gives.
bool IsTemporaryName(const std::string& prefix, const std::string& name) {
  constexpr std::size_t kRandom = 6;
  if (name.size() != prefix.size() + kRandom + 4 || !name.starts_with(prefix) ||
      !name.ends_with(".tmp")) {
    return false;
  }
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end() - 4,
                     [](unsigned char c) { return std::isalnum(c) != 0; });
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

// In place: for a file with several names, and for a folder that takes no new file while the
// file itself is writable (an install prepared by an administrator). Room for a longer content
// is claimed before the first old byte changes: reserved where the file system can, else by
// writing the new tail past the old end first, taken off again when that fails. So a full disk
// fails the write with the old content whole, except on a file system that needs new room to
// overwrite (copy-on-write), where the overwrite may stop part-way; so may a crash.
bool OverwriteInPlace(const fs::path& path, std::string_view content, ReserveRoom reserve) {
  // Read-write: where the file system has no reservation of its own, the C library's stand-in
  // reads the file.
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
  struct stat info {};
  if (!fd.valid() || ::fstat(fd.get(), &info) != 0) return false;
  const off_t old_size = info.st_size;
  const auto new_size = static_cast<off_t>(content.size());
  const int reserved = reserve(fd.get(), 0, new_size);
  // A file system that cannot reserve (EOPNOTSUPP, ENOSYS; EINVAL for an empty content) is no
  // failure; a full disk or an input-output error is.
  if (reserved != 0 && reserved != EOPNOTSUPP && reserved != ENOSYS && reserved != EINVAL) {
    [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), old_size);
    return false;
  }
  if (new_size > old_size &&
      !WriteAll(fd.get(), content.substr(static_cast<std::size_t>(old_size)), old_size)) {
    [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), old_size);
    return false;
  }
  const auto head = static_cast<std::size_t>(std::min(old_size, new_size));
  bool written = WriteAll(fd.get(), content.substr(0, head), 0);
  written = written && ::ftruncate(fd.get(), new_size) == 0;
  written = written && ::fsync(fd.get()) == 0;
  return fd.Close() && written;
}

class PosixFileStore final : public FileStore {
 public:
  explicit PosixFileStore(ReserveRoom reserve) : reserve_(reserve) {}

  bool Replace(const fs::path& given, std::string_view content) override {
    const fs::path path = FollowLinks(given);
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists && (!S_ISREG(info.st_mode) || IsReadOnly(path, info))) return false;
    // A rename would part the names: the one replaced would no longer share the content.
    if (exists && info.st_nlink > 1) return OverwriteInPlace(path, content, reserve_);

    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string temporary =
        (folder / TemporaryPrefix(path.filename().string())).string() + "XXXXXX.tmp";
    UniqueFd fd(::mkstemps(temporary.data(), 4));
    if (!fd.valid()) {
      return exists && (errno == EACCES || errno == EPERM) &&
             OverwriteInPlace(path, content, reserve_);
    }
    bool written = WriteAll(fd.get(), content, 0);
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

  void RemoveLeftovers(const fs::path& given, fs::file_time_type started) override {
    const fs::path path = FollowLinks(given);
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string prefix = TemporaryPrefix(path.filename().string());
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      const fs::path& candidate = it->path();
      struct stat info {};
      std::error_code unknown_time;
      // Ours: our name, our user, no link; and older than this run, so no write of ours.
      if (IsTemporaryName(prefix, candidate.filename().string()) &&
          ::lstat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
          info.st_uid == ::geteuid() && fs::last_write_time(candidate, unknown_time) < started &&
          !unknown_time) {
        ::unlink(candidate.c_str());
      }
    }
  }

  std::string FromLegacyText(std::string_view bytes) const override { return std::string(bytes); }

 private:
  ReserveRoom reserve_;
};

}  // namespace

std::unique_ptr<FileStore> MakePosixFileStore(ReserveRoom reserve) {
  return std::make_unique<PosixFileStore>(reserve);
}

FileStore& SystemFileStore() {
  static PosixFileStore store(&::posix_fallocate);
  return store;
}

}  // namespace hoverdeck
