// Hoverdeck's GNOME Shell extension as a user's desktop meets it: the form the running shell
// takes, put into the user's extensions folder when missing or older, and turned on once, never
// again after the user turned it off.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/OsDescription.h"

namespace hoverdeck {

inline constexpr std::string_view kGnomeExtensionUuid = HOVERDECK_GNOME_UUID;

// The files of one form of the extension.
struct GnomeExtensionFiles {
  std::string_view metadata;
  std::string_view script;
};

// The form for a shell version such as "43.9" or "48.rc"; nullopt for one older than 42.
std::optional<GnomeExtensionFiles> GnomeExtensionFor(std::string_view shell_version);

// Writes `files` into `folder` unless the same or a newer version is there; false when they
// were needed and could not be written. `written` tells whether anything was.
bool InstallGnomeExtension(const std::filesystem::path& folder, const GnomeExtensionFiles& files,
                           bool& written);

// A GVariant string list as gsettings prints it ("@as []", "['a', 'b']") with `item` added, or
// nullopt when it names `item` already.
std::optional<std::string> WithListItem(std::string_view list, std::string_view item);

// Puts the extension in place for the GNOME Shell that owns org.gnome.Shell on the session bus
// and turns it on; true when the shell runs it now. Otherwise `notice` tells the user why not
// when the reason is one the user can act on.
bool SetUpGnomeExtension(WaylandNotice& notice);

}  // namespace hoverdeck
