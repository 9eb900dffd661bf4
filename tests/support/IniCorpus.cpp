#include "support/IniCorpus.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace hoverdeck::testing {

// \n \r \t \v \f \\ \0 \xHH.
static std::string Unescape(const std::string& text) {
  static const std::string kFrom = "nrtvf0", kTo("\n\r\t\v\f\0", 6);
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = i + 1 < text.size() && text[i] == '\\' ? text[++i] : '\0';
    if (c == '\0') {
      bytes += text[i];
    } else if (c == 'x') {
      bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      bytes += kFrom.find(c) == std::string::npos ? c : kTo[kFrom.find(c)];
    }
  }
  return bytes;
}

std::string Visible(const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02x", c);
    shown += c < 0x20 ? escape : std::string(1, static_cast<char>(c));
  }
  return shown;
}

std::vector<std::string> CorpusFile::Forms() const {
  if (as_written) return {content};
  std::string crlf;
  for (char c : content) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  std::string unended = crlf;
  if (unended.ends_with("\r\n")) unended.resize(unended.size() - 2);
  return {content, crlf, unended};
}

std::string CatalogueSection(int count, bool sorted, const std::string& name) {
  std::string text = "[" + name + "]\n";
  for (int p = 1; p <= count; ++p) {
    const std::string n = std::to_string(p),
                      rule = std::to_string(100 + (sorted ? p : count + 1 - p));
    text += "Win" + n + "=rule" + rule + "\nchkWin" + n + "=1\n";
  }
  return text;
}

IniCorpus LoadIniCorpus(const std::string& name) {
  std::ifstream in(std::filesystem::path(HOVERDECK_TEST_DATA) / name, std::ios::binary);
  IniCorpus corpus;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    if (line.starts_with("== ")) {
      const bool as_written = line.ends_with(" as-written");
      std::string content;
      std::getline(in, content);
      ++number;
      corpus.files.push_back(
          {line.substr(3, line.size() - (as_written ? 14 : 3)), Unescape(content), as_written, {}});
      continue;
    }
    const std::size_t blank = std::min(line.find(' '), line.size());
    CorpusLine entry{line.substr(0, blank), {std::string()}, number};
    for (std::size_t i = blank + 1; i < line.size(); ++i) {
      if (line[i] == '|') entry.fields.emplace_back();
      if (line[i] != '|') entry.fields.back().push_back(line[i]);
    }
    for (auto& field : entry.fields) field = Unescape(field);
    if (entry.verb == "same" || entry.verb == "mended" || entry.verb == "diverges") {
      if (!corpus.files.empty()) corpus.files.back().queries.push_back(std::move(entry));
    } else {
      corpus.lines.push_back(std::move(entry));
    }
  }
  return corpus;
}

}  // namespace hoverdeck::testing
