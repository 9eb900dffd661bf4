// Whether another process runs with higher rights than ours, told from its access token.
#pragma once

#include <windows.h>

#include <optional>
#include <unordered_map>

#include "platform/win32/UniqueHandle.h"

namespace hoverdeck::win32 {

// What a process token says about the rights of its process.
struct TokenRights {
  DWORD integrity = 0;  // the mandatory level's relative id: low, medium, high, system
  bool elevated = false;
};

// The rights in the token of `process` (opened with query access); nullopt when the token cannot
// be opened or read.
std::optional<TokenRights> ReadTokenRights(HANDLE process);

// Our rights against another process's: higher when its integrity level is above ours or it runs
// elevated while we do not.
bool HigherThan(const TokenRights& theirs, const TokenRights& ours);

// Opens the process with the access asked (OpenProcess by default, not inherited); null with the
// system's error when it cannot be had.
using OpenProcessCall = HANDLE (*)(DWORD access, DWORD process);

class ProcessRights {
 public:
  explicit ProcessRights(OpenProcessCall open = &OpenWithoutInheriting);
  ProcessRights(const ProcessRights&) = delete;
  ProcessRights& operator=(const ProcessRights&) = delete;

  // Whether the process runs with higher rights than ours. A process that cannot even be opened
  // for query is above us. Answers are kept with a handle of the process itself for its life,
  // so the question costs a lookup once a process has been asked about; an id that the system
  // gives to a new process is never answered for the ended one. A refusal that cannot be tied to
  // its process by a handle is not kept: asked again, it costs another opening.
  bool Higher(DWORD process);

 private:
  static HANDLE OpenWithoutInheriting(DWORD access, DWORD process) {
    return OpenProcess(access, FALSE, process);
  }

  struct Known {
    UniqueHandle process;  // held open, so that the id names this process while it lives
    bool higher = false;
  };
  OpenProcessCall open_;
  // Our own rights; nullopt on a system without integrity levels, where no one is above us.
  std::optional<TokenRights> own_;
  std::unordered_map<DWORD, Known> known_;
};

}  // namespace hoverdeck::win32
