#include "app/CommandLine.h"

#include <string>

namespace hoverdeck {

CommandLineOptions ParseCommandLine(std::string_view command_line) {
  // ASCII upper-casing only: the options are ASCII and other bytes must stay as they are.
  std::string upper(command_line);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  CommandLineOptions options;
  options.invisible = upper.find("-I") != std::string::npos;
  options.silent = upper.find("-S") != std::string::npos;
  return options;
}

}  // namespace hoverdeck
