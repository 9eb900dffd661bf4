// The settings file on Windows: the new content goes to a temporary file beside it, is flushed
// to the disk, takes the file's attributes and access rights, and replaces the file in one
// rename, so that there is never a moment without the file.
#include "platform/win32/Win32FileStore.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "app/InPlaceWrite.h"
#include "app/TemporaryFiles.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;

constexpr int kAttempts = 10;
constexpr DWORD kPauseMs = 50;

// Another program holding a file open for a moment (a scanner, an indexer, an editor).
bool HeldByAnotherProgram(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// The rename also meets "access denied" while a scanner holds the fresh temporary file; a
// read-only target, which would refuse it for good, is refused before.
bool RenameHeldUp(DWORD error) {
  return HeldByAnotherProgram(error) || error == ERROR_ACCESS_DENIED;
}

template <typename Step>
bool WithBriefRetry(Step step, bool (*worth_waiting)(DWORD) = &HeldByAnotherProgram) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) Sleep(kPauseMs);
    if (step()) return true;
    if (!worth_waiting(GetLastError())) return false;
  }
  return false;
}

bool WriteAll(HANDLE file, std::string_view content) {
  while (!content.empty()) {
    const DWORD chunk = content.size() > 1u << 30 ? 1u << 30 : static_cast<DWORD>(content.size());
    DWORD written = 0;
    if (!WriteFile(file, content.data(), chunk, &written, nullptr) || written == 0) return false;
    content.remove_prefix(written);
  }
  return true;
}

// The start of a temporary file's name for the file `name`; only a bounded part of the name, so
// that the temporary name stays within name limits.
std::wstring TemporaryPrefix(std::wstring name) {
  if (name.size() > 64) name.resize(64);
  return name + L'.';
}

constexpr std::wstring_view kNameLetters =
    L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// "<prefix>" and six letters or digits from `number`, then ".tmp".
std::wstring TemporaryName(const std::wstring& prefix, unsigned long long number) {
  std::wstring name = prefix;
  for (int i = 0; i < 6; ++i, number /= kNameLetters.size()) {
    name += kNameLetters[number % kNameLetters.size()];
  }
  return name + L".tmp";
}

// A process that refuses to be opened is there all the same.
bool ProcessRuns(std::uint32_t process) {
  const win32::UniqueHandle handle(OpenProcess(SYNCHRONIZE, FALSE, process));
  if (!handle) return GetLastError() == ERROR_ACCESS_DENIED;
  return WaitForSingleObject(handle.get(), 0) == WAIT_TIMEOUT;
}

// An open file as the in-place write uses it.
class HandleFile final : public InPlaceFile {
 public:
  explicit HandleFile(HANDLE file) : file_(file) {}

  std::optional<std::uint64_t> Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_, &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
  }
  std::optional<std::string> Read(std::uint64_t at, std::size_t length) override {
    std::string bytes(length, '\0');
    if (!MoveTo(at)) return std::nullopt;
    for (std::size_t done = 0; done < length;) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(file_, bytes.data() + done, chunk, &got, nullptr) || got == 0) {
        return std::nullopt;
      }
      done += got;
    }
    return bytes;
  }
  bool Write(std::uint64_t at, std::string_view bytes) override {
    return MoveTo(at) && WriteAll(file_, bytes);
  }
  bool Truncate(std::uint64_t size) override { return MoveTo(size) && SetEndOfFile(file_); }
  bool Flush() override { return FlushFileBuffers(file_) != FALSE; }

 private:
  bool MoveTo(std::uint64_t at) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(at);
    return SetFilePointerEx(file_, to, nullptr, FILE_BEGIN) != FALSE;
  }

  HANDLE file_;
};

// The number of names (hard links) the file has; 1 when it cannot be told. Asked through a
// handle that may read, where it can be had: with attribute rights alone, Wine tells no count.
DWORD NameCount(const std::wstring& path) {
  for (const DWORD access : {static_cast<DWORD>(GENERIC_READ), DWORD{FILE_READ_ATTRIBUTES}}) {
    win32::UniqueHandle file(CreateFileW(path.c_str(), access,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (file && GetFileInformationByHandle(file.get(), &info) && info.nNumberOfLinks > 0) {
      return info.nNumberOfLinks;
    }
  }
  return 1;
}

// The access rights of `from` onto `to`, where they can be read: with owner and group where the
// system lets us set those, else the access-control list alone.
void CopySecurity(const std::wstring& from, const std::wstring& to) {
  constexpr SECURITY_INFORMATION kAll =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  GetFileSecurityW(from.c_str(), kAll, nullptr, 0, &size);
  if (size == 0) return;
  std::vector<unsigned char> buffer(size);
  const PSECURITY_DESCRIPTOR descriptor = buffer.data();
  if (!GetFileSecurityW(from.c_str(), kAll, descriptor, size, &size)) return;
  if (!SetFileSecurityW(to.c_str(), kAll, descriptor)) {
    SetFileSecurityW(to.c_str(), DACL_SECURITY_INFORMATION, descriptor);
  }
}

// The file a symbolic link points to.
std::wstring FinalPath(const std::wstring& path) {
  win32::UniqueHandle file(
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return path;
  std::wstring final_path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD size = GetFinalPathNameByHandleW(file.get(), final_path.data(),
                                                 static_cast<DWORD>(final_path.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (size == 0) return path;
    if (size < final_path.size()) {
      final_path.resize(size);
      return final_path;
    }
    final_path.resize(size);
  }
  return path;
}

// The file a path names: a symbolic link's target (the link stays a link), with its attributes;
// INVALID_FILE_ATTRIBUTES when there is none.
std::wstring ResolvedPath(const fs::path& given, DWORD& attributes) {
  std::wstring path = given.wstring();
  attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    path = FinalPath(path);
    attributes = GetFileAttributesW(path.c_str());
  }
  return path;
}

class Win32FileStore final : public FileStore {
 public:
  explicit Win32FileStore(OpenFileCall open) : open_(open) {}

  bool Replace(const fs::path& given, std::string_view content) override {
    DWORD attributes = 0;
    const std::wstring path = ResolvedPath(given, attributes);
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    // A read-only file, or one whose access rights refuse us writing, is its owner's decision:
    // no write at all, and no waiting. A rename would replace it where the folder allows that,
    // and the rights set on it would go with the old file.
    if (exists &&
        ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) || !MayWrite(path))) {
      return false;
    }
    // A rename would part the names: the one replaced would no longer share the content.
    if (exists && NameCount(path) > 1) return WriteInPlace(path, content);

    const fs::path target(path);
    const std::wstring prefix =
        (target.parent_path() / TemporaryPrefix(target.filename().wstring())).wstring() +
        win32::Widen(TemporaryNameMiddle(MachineName(), GetCurrentProcessId()));
    std::wstring temporary;
    win32::UniqueHandle file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
      temporary = TemporaryName(prefix, GetTickCount64() * 7919u + counter_++);
      file.Reset(open_(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file) {
      return exists && GetLastError() == ERROR_ACCESS_DENIED && WriteInPlace(path, content);
    }
    bool written = WriteAll(file.get(), content) && FlushFileBuffers(file.get());
    file.Reset();
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (written && exists) {
      if ((attributes & kKept) != 0) SetFileAttributesW(temporary.c_str(), attributes & kKept);
      CopySecurity(path, temporary);
    }
    // One rename that replaces the file: the old or the new content is there at every moment.
    // Once it fails, the old file is as it was and the temporary file may go.
    const auto rename = [&] {
      constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
      return MoveFileExW(temporary.c_str(), path.c_str(), kFlags) != FALSE;
    };
    written = written && WithBriefRetry(rename, &RenameHeldUp);
    if (!written) DeleteFileW(temporary.c_str());
    return written;
  }

  void RemoveLeftovers(const fs::path& given, fs::file_time_type started) override {
    DWORD attributes = 0;
    const fs::path path(ResolvedPath(given, attributes));
    const std::wstring prefix = TemporaryPrefix(path.filename().wstring());
    const std::string machine = MachineName();
    std::error_code error;
    for (fs::directory_iterator it(path.parent_path(), error), end; !error && it != end;
         it.increment(error)) {
      const fs::path& candidate = it->path();
      const std::wstring name = candidate.filename().wstring();
      std::error_code unknown_time, unknown_kind;
      const auto written = fs::last_write_time(candidate, unknown_time);
      if (name.starts_with(prefix) && it->is_regular_file(unknown_kind) && !unknown_time &&
          IsAbandonedTemporary(win32::Narrow(name.substr(prefix.size())), machine,
                               started - written, &ProcessRuns)) {
        DeleteFileW(candidate.c_str());
      }
    }
  }

  std::string FromLegacyText(std::string_view bytes) const override {
    if (bytes.empty() || bytes.size() > INT_MAX) return std::string(bytes);
    const int in_size = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), in_size, nullptr, 0);
    if (size <= 0) return std::string(bytes);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), in_size, wide.data(), size);
    return win32::Narrow(wide);
  }

 private:
  // Whether the file's own access rights let us write it. Another program holding it open is
  // no refusal: the rename waits for it.
  bool MayWrite(const std::wstring& path) const {
    const win32::UniqueHandle file(open_(path.c_str(), FILE_WRITE_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    return file || GetLastError() != ERROR_ACCESS_DENIED;
  }

  // In place: for a file with several names, and for a folder that takes no new file while the
  // file itself is writable (an install prepared by an administrator).
  bool WriteInPlace(const std::wstring& path, std::string_view content) const {
    win32::UniqueHandle file;
    const bool opened = WithBriefRetry([&] {
      file.Reset(open_(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      return static_cast<bool>(file);
    });
    HandleFile open_file(file.get());
    return opened && OverwriteInPlace(open_file, content);
  }

  OpenFileCall open_;
  unsigned counter_ = 0;
};

}  // namespace

std::unique_ptr<FileStore> MakeWin32FileStore(OpenFileCall open) {
  return std::make_unique<Win32FileStore>(open);
}

FileStore& SystemFileStore() {
  static Win32FileStore store(&CreateFileW);
  return store;
}

// Unique among the machines of a network, which share folders by it.
std::string MachineName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? win32::Narrow(std::wstring(name, size)) : std::string();
}

}  // namespace hoverdeck
