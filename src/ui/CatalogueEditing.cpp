#include "ui/CatalogueEditing.h"

#include "app/OneLine.h"
#include "app/ProgramConstants.h"
#include "ui/frmTopTexts.h"

namespace hoverdeck {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

void Notice(Dialogs& dialogs, std::string_view text, MessageIcon icon) {
  dialogs.MessageBox(std::string(text), kMessageTitle, icon, MessageButtons::kOk);
}

bool InList(const SortedList& list, const std::string& text) {
  for (const auto& item : list.Items()) {
    if (item.text == text) return true;
  }
  return false;
}

bool InTable(const Catalogue& catalogue, const std::string& text) {
  for (int p = 1; p <= catalogue.count(); ++p) {
    if (catalogue.entry(p).text == text) return true;
  }
  return false;
}

// A full catalogue refuses new strings outright, before anything is asked.
bool RefusedAsFull(const CatalogueEdit& edit) {
  if (edit.list.Count() < Catalogue::kCapacity) return false;
  Notice(edit.dialogs, texts::kCatalogueFull, MessageIcon::kExclamation);
  return true;
}

}  // namespace

std::string ProposedCatalogueString(std::string_view caption) {
  const auto dash = caption.find(" -");
  return OneLine(std::string(caption.substr(0, dash)));
}

void AddCatalogueString(const CatalogueEdit& edit) {
  if (RefusedAsFull(edit)) return;
  const std::string answer =
      OneLine(edit.dialogs.InputBox(std::string(edit.prompt), texts::kEditTitle, std::string()));
  if (answer.empty()) return;
  if (InList(edit.list, answer)) {
    Notice(edit.dialogs, texts::kStringAlreadyInTheList, MessageIcon::kExclamation);
    return;
  }
  edit.list.Add(answer, true);
  edit.list.SetListIndex(SortedList::kNoSelection);
  SaveCatalogue(edit.file, edit.catalogue, edit.list);
}

void ModifyCatalogueString(const CatalogueEdit& edit) {
  const int selected = edit.list.ListIndex();
  if (selected == SortedList::kNoSelection) {
    Notice(edit.dialogs, texts::kSelectStringToModify, MessageIcon::kInformation);
    return;
  }
  const std::string answer = OneLine(edit.dialogs.InputBox(
      std::string(edit.prompt), texts::kEditTitle, edit.list.Item(selected).text));
  if (answer.empty()) return;
  if (InList(edit.list, answer)) {
    Notice(edit.dialogs, texts::kStringAlreadyInTheList, MessageIcon::kExclamation);
    return;
  }
  // The input box may have let the list change underneath; act on the line still selected.
  const int line = edit.list.ListIndex();
  if (line == SortedList::kNoSelection) return;
  const bool checked = edit.list.Item(line).checked;
  edit.list.RemoveAt(line);
  edit.list.Add(answer, checked);
  edit.list.SetListIndex(SortedList::kNoSelection);
  SaveCatalogue(edit.file, edit.catalogue, edit.list);
}

void RemoveCatalogueString(const CatalogueEdit& edit) {
  const int selected = edit.list.ListIndex();
  if (selected == SortedList::kNoSelection) {
    Notice(edit.dialogs, texts::kSelectStringToRemove, MessageIcon::kInformation);
    return;
  }
  std::string question(texts::kRemoveStringPrefix);
  question += edit.list.Item(selected).text;
  question += "'";
  const auto answer = edit.dialogs.MessageBox(question, kMessageTitle, MessageIcon::kQuestion,
                                              MessageButtons::kYesNo);
  if (answer != MessageAnswer::kYes) return;
  const int line = edit.list.ListIndex();
  if (line == SortedList::kNoSelection) return;
  edit.list.RemoveAt(line);
  edit.list.SetListIndex(SortedList::kNoSelection);
  SaveCatalogue(edit.file, edit.catalogue, edit.list);
}

void OfferCatalogueString(const CatalogueEdit& edit, std::string_view caption,
                          std::string_view tail, std::string_view question) {
  if (RefusedAsFull(edit)) return;
  std::string prompt = "'";
  prompt += caption;
  prompt += tail;
  prompt += kLineBreak;
  prompt += kLineBreak;
  prompt += question;
  prompt += kLineBreak;
  prompt += texts::kOfferFollowing;
  prompt += kLineBreak;
  prompt += texts::kOfferWhenMinimized;
  const std::string answer =
      OneLine(edit.dialogs.InputBox(prompt, texts::kOfferTitle, ProposedCatalogueString(caption)));
  if (answer.empty()) return;
  if (InTable(edit.catalogue, answer)) {
    Notice(edit.dialogs, texts::kStringAlreadyInList, MessageIcon::kInformation);
    return;
  }
  edit.list.Add(answer, true);
  SaveCatalogue(edit.file, edit.catalogue, edit.list);
}

}  // namespace hoverdeck
