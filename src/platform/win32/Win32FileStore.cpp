// The settings file on Windows: the new content goes to a temporary file beside it, is flushed
// to the disk, and the system's replace operation puts it in place, which keeps the file's
// attributes, access-control list and identity.
#include <windows.h>

#include <climits>
#include <string>

#include "app/FileStore.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;

constexpr int kAttempts = 10;
constexpr DWORD kPauseMs = 50;

// Another program holding the file open for a moment (a scanner, an indexer, an editor). Only
// that is worth waiting for; "access denied" never goes away by itself.
bool HeldByAnotherProgram(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

template <typename Step>
bool WithBriefRetry(Step step) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) Sleep(kPauseMs);
    if (step()) return true;
    if (!HeldByAnotherProgram(GetLastError())) return false;
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

// The file a symbolic link points to, so that the link stays a link.
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

// For a folder that takes no new file while the file itself is writable (an install prepared by
// an administrator). A growing file is extended first, so a full disk leaves the old content; a
// crash in the middle leaves what the file system makes of an overwrite.
bool OverwriteInPlace(const std::wstring& path, std::string_view content) {
  win32::UniqueHandle file;
  const bool opened = WithBriefRetry([&] {
    file.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
  });
  if (!opened) return false;
  LARGE_INTEGER old_size{}, new_size{}, start{};
  new_size.QuadPart = static_cast<LONGLONG>(content.size());
  if (!GetFileSizeEx(file.get(), &old_size)) return false;
  if (new_size.QuadPart > old_size.QuadPart &&
      (!SetFilePointerEx(file.get(), new_size, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get()))) {
    SetFilePointerEx(file.get(), old_size, nullptr, FILE_BEGIN);
    SetEndOfFile(file.get());
    return false;
  }
  return SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) &&
         WriteAll(file.get(), content) && SetEndOfFile(file.get()) && FlushFileBuffers(file.get());
}

class Win32FileStore final : public FileStore {
 public:
  bool Replace(const fs::path& given, std::string_view content) override {
    std::wstring path = given.wstring();
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      path = FinalPath(path);
      attributes = GetFileAttributesW(path.c_str());
    }
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    // A read-only file is the user's decision: no write at all, and no waiting.
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) return false;

    // Only a bounded part of the name, so the temporary name stays within name limits.
    const fs::path target(path);
    std::wstring name = target.filename().wstring();
    if (name.size() > 64) name.resize(64);
    std::wstring temporary;
    win32::UniqueHandle file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
      temporary = (target.parent_path() / name).wstring() + L"." +
                  std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter_++) +
                  L".tmp";
      file.Reset(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file) {
      return exists && GetLastError() == ERROR_ACCESS_DENIED && OverwriteInPlace(path, content);
    }
    bool written = WriteAll(file.get(), content) && FlushFileBuffers(file.get());
    file.Reset();
    // The replace operation keeps the attributes on Windows; set them beforehand for systems
    // whose own does not (Wine).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (written && exists && (attributes & kKept) != 0) {
      SetFileAttributesW(temporary.c_str(), attributes & kKept);
    }
    if (written) {
      written = WithBriefRetry([&] {
        if (exists) {
          return ReplaceFileW(path.c_str(), temporary.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE;
        }
        return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
      });
    }
    if (!written) DeleteFileW(temporary.c_str());
    return written;
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
  unsigned counter_ = 0;
};

}  // namespace

FileStore& SystemFileStore() {
  static Win32FileStore store;
  return store;
}

}  // namespace hoverdeck
