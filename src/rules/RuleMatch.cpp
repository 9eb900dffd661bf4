#include "rules/RuleMatch.h"

namespace hoverdeck {

bool CatalogueMatches(const Catalogue& catalogue, bool all_windows, std::string_view caption) {
  for (int p = 1; p <= catalogue.count(); ++p) {
    if (!all_windows && !catalogue.IsChecked(p)) continue;
    if (all_windows || caption.find(catalogue.entry(p).text) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> CheckedTexts(const Catalogue& catalogue) {
  std::vector<std::string> texts;
  for (int p = 1; p <= catalogue.count(); ++p) {
    if (catalogue.IsChecked(p)) texts.push_back(catalogue.entry(p).text);
  }
  return texts;
}

}  // namespace hoverdeck
