// The POSIX store with the call that reserves room in a file given, so that a file system
// without that call can be stood in for.
#pragma once

#include <sys/types.h>

#include <memory>

#include "app/FileStore.h"

namespace hoverdeck {

// posix_fallocate by default.
using ReserveRoom = int (*)(int fd, off_t offset, off_t length);

std::unique_ptr<FileStore> MakePosixFileStore(ReserveRoom reserve);

}  // namespace hoverdeck
