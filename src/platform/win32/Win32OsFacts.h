// The operating system's description from the Windows version query.
#pragma once

#include "app/OsDescription.h"

namespace hoverdeck {

// The version the system really runs, whatever the manifest declares (under Wine, the version
// the prefix is set to). A failing query gives a zeroed record.
VersionRecord QueryVersionRecord();

OsFacts Win32OsFacts();

}  // namespace hoverdeck
