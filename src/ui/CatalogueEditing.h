// Adding, modifying and removing catalogue strings, and offering a caption as a new rule.
#pragma once

#include <string>
#include <string_view>

#include "app/ConfigFile.h"
#include "app/SortedList.h"
#include "rules/Catalogue.h"
#include "ui/Dialogs.h"

namespace hoverdeck {

// One catalogue with its on-screen list, its file and the prompt of its Add and Modify boxes.
struct CatalogueEdit {
  Dialogs& dialogs;
  ConfigFile& file;
  Catalogue& catalogue;
  SortedList& list;
  std::string_view prompt;
};

// The caption up to its first " -", or the whole caption without one; one line.
std::string ProposedCatalogueString(std::string_view caption);

void AddCatalogueString(const CatalogueEdit& edit);
void ModifyCatalogueString(const CatalogueEdit& edit);
void RemoveCatalogueString(const CatalogueEdit& edit);

// After a window command took effect: proposes a part of the window's caption and adds the
// answer as a checked rule unless it is empty, a duplicate, or the catalogue is full.
void OfferCatalogueString(const CatalogueEdit& edit, std::string_view caption,
                          std::string_view tail, std::string_view question);

}  // namespace hoverdeck
