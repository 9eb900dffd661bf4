#include "app/ProgramConstants.h"

namespace hoverdeck {

std::string ProgramTitle() {
  std::string title(kProgramName);
  title += ' ';
  title += kProgramVersion;
  return title;
}

std::string MainWindowCaption(std::string_view os_description) {
  std::string caption = ProgramTitle();
  caption += "; ";
  caption += os_description;
  return caption;
}

}  // namespace hoverdeck
