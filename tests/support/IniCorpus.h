// INI test corpora kept as text files under tests/data: lines of '|'-separated fields with
// escapes for the bytes a text file cannot hold plainly.
#pragma once

#include <string>
#include <vector>

namespace hoverdeck::testing {

// Control bytes escaped, so that a failure shows what differs.
std::string Visible(const std::string& text);

struct CorpusLine {
  std::string verb;                 // the line's first word
  std::vector<std::string> fields;  // the rest, split at '|' and unescaped
  int number = 0;
};

// A file of the profile corpus ("== LABEL [as-written]", its content, then its queries).
struct CorpusFile {
  std::string label, content;
  bool as_written = false;
  std::vector<CorpusLine> queries;
  // The content with LF, CR LF and CR LF without a final newline, unless as written.
  std::vector<std::string> Forms() const;
};

struct IniCorpus {
  std::vector<CorpusFile> files;
  std::vector<CorpusLine> lines;  // lines outside any file
};

// A catalogue section of `count` checked strings "rule101", "rule102"..., in order or reversed.
std::string CatalogueSection(int count, bool sorted, const std::string& name = "TopMostWindows");

// Reads tests/data/NAME; comments (#) and blank lines left out.
IniCorpus LoadIniCorpus(const std::string& name);

}  // namespace hoverdeck::testing
