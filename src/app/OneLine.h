// Texts that must stay on one line (catalogue strings, the marker).
#pragma once

#include <string>

namespace hoverdeck {

// CR, LF and NUL become blanks.
inline std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return text;
}

}  // namespace hoverdeck
