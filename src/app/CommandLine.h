// The two command-line options, found anywhere in the upper-cased command line.
#pragma once

#include <string_view>

namespace hoverdeck {

struct CommandLineOptions {
  bool invisible = false;  // "-I": no window, no tray icon, no quit question
  bool silent = false;     // "-S": a second instance leaves without a message
};

// Options are plain substrings of the upper-cased text: "-i", "-I" and "x-iy" all hold "-I".
CommandLineOptions ParseCommandLine(std::string_view command_line);

}  // namespace hoverdeck
