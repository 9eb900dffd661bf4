// The operating system's description from the Windows version query.
#pragma once

#include "app/OsDescription.h"

namespace hoverdeck {

// What GetVersionExW reports: the version the application manifest declares support for (under
// Wine, the version the prefix is set to). A failing query gives a zeroed record.
VersionRecord QueryVersionRecord();

OsFacts Win32OsFacts();

}  // namespace hoverdeck
