// The Windows store with the call that opens files given, so that what the file system refuses
// (a file's access rights, which Wine does not check) can be stood in for.
#pragma once

#include <windows.h>

#include <memory>

#include "app/FileStore.h"

namespace hoverdeck {

// CreateFileW by default.
using OpenFileCall = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                     HANDLE);

std::unique_ptr<FileStore> MakeWin32FileStore(OpenFileCall open);

}  // namespace hoverdeck
