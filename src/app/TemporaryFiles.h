// The temporary files a replacement of the settings file makes beside it, named after the file,
// the machine and the process that made them: "<file name>.<machine>.<process>.<six letters or
// digits>.tmp". So one that a write cut short left behind is told from one being written right
// now, also by another machine that keeps its settings in the same shared folder.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace hoverdeck {

// "<machine>.<process>.": what follows "<file name>." in the name. A machine name of anything
// but letters, digits and hyphens is given as a number made from it.
std::string TemporaryNameMiddle(std::string_view machine, std::uint32_t process);

// Whether the temporary file whose name goes on with `rest` after "<file name>." is certainly
// abandoned: made by this `machine` and by a process that no longer runs (`runs` is asked), or
// last written `age` ago, longer than the clocks of machines sharing a folder differ. False for
// a name of any other form.
bool IsAbandonedTemporary(std::string_view rest, std::string_view machine,
                          std::chrono::nanoseconds age,
                          const std::function<bool(std::uint32_t process)>& runs);

}  // namespace hoverdeck
