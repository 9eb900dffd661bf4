// The settings file on POSIX systems: the new content goes to a temporary file beside it, is
// flushed to the disk and renamed over the old file, and the folder is flushed after.
#include "platform/posix/PosixFileStore.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>

#include "app/InPlaceWrite.h"
#include "app/TemporaryFiles.h"

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

// A file descriptor as the in-place write uses it. Room is reserved where the file system can,
// so that a full disk fails the write before the first old byte changes; elsewhere the new tail
// written past the old end claims it.
class DescriptorFile final : public InPlaceFile {
 public:
  DescriptorFile(int fd, ReserveRoom reserve) : fd_(fd), reserve_(reserve) {}

  std::optional<std::uint64_t> Size() override {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
  }
  std::optional<std::string> Read(std::uint64_t at, std::size_t length) override {
    std::string bytes(length, '\0');
    for (std::size_t done = 0; done < length;) {
      const ssize_t got =
          ::pread(fd_, bytes.data() + done, length - done, static_cast<off_t>(at + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return std::nullopt;
      done += static_cast<std::size_t>(got);
    }
    return bytes;
  }
  bool Write(std::uint64_t at, std::string_view bytes) override {
    return WriteAll(fd_, bytes, static_cast<off_t>(at));
  }
  bool Truncate(std::uint64_t size) override {
    return ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
  }
  bool Flush() override { return ::fsync(fd_) == 0; }
  bool Reserve(std::uint64_t size) override {
    const int reserved = reserve_(fd_, 0, static_cast<off_t>(size));
    // A file system that cannot reserve (EOPNOTSUPP, ENOSYS; EINVAL for an empty content) is no
    // failure.
    return reserved == 0 || reserved == EOPNOTSUPP || reserved == ENOSYS || reserved == EINVAL;
  }

 private:
  int fd_;
  ReserveRoom reserve_;
};

// In place: for a file with several names, and for a folder that takes no new file while the
// file itself is writable (an install prepared by an administrator). On a file system that
// needs new room to overwrite (copy-on-write) a full disk may stop the write part-way; the old
// content is then written back.
bool WriteInPlace(const fs::path& path, std::string_view content, ReserveRoom reserve) {
  // Read-write: where the file system has no reservation of its own, the C library's stand-in
  // reads the file.
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
  if (!fd.valid()) return false;
  DescriptorFile file(fd.get(), reserve);
  const bool written = OverwriteInPlace(file, content);
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
    if (exists && info.st_nlink > 1) return WriteInPlace(path, content, reserve_);

    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string temporary =
        (folder / TemporaryPrefix(path.filename().string())).string() +
        TemporaryNameMiddle(MachineName(), static_cast<std::uint32_t>(::getpid())) + "XXXXXX.tmp";
    UniqueFd fd(::mkstemps(temporary.data(), 4));
    if (!fd.valid()) {
      return exists && (errno == EACCES || errno == EPERM) && WriteInPlace(path, content, reserve_);
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
    const std::string machine = MachineName();
    // Signal 0 only asks whether the process is there; one of another user is there too.
    const auto runs = [](std::uint32_t process) {
      return process <= INT_MAX && (::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM);
    };
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      const fs::path& candidate = it->path();
      const std::string name = candidate.filename().string();
      struct stat info {};
      std::error_code unknown_time;
      const auto written = fs::last_write_time(candidate, unknown_time);
      // Ours: our name, our user, no link; and certainly no write under way.
      if (name.starts_with(prefix) && ::lstat(candidate.c_str(), &info) == 0 &&
          S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && !unknown_time &&
          IsAbandonedTemporary(std::string_view(name).substr(prefix.size()), machine,
                               started - written, runs)) {
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

std::string MachineName() {
  // Host names repeat ("localhost", a distribution's default); the installation's id does not.
  std::ifstream id_file("/etc/machine-id");
  std::string id;
  if (std::getline(id_file, id) && !id.empty()) return id;
  char name[256] = {};
  return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

}  // namespace hoverdeck
