#include "platform/win32/Win32ProcessRights.h"

#include <cstddef>
#include <vector>

namespace hoverdeck::win32 {
namespace {

std::optional<DWORD> IntegrityLevel(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size < sizeof(TOKEN_MANDATORY_LABEL)) return std::nullopt;
  // Heap memory is aligned for any object, as the label record needs.
  std::vector<std::byte> buffer(size);
  if (!GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
    return std::nullopt;
  }
  const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
  if (sid == nullptr || !IsValidSid(sid)) return std::nullopt;
  const UCHAR count = *GetSidSubAuthorityCount(sid);
  if (count == 0) return std::nullopt;
  return *GetSidSubAuthority(sid, count - 1u);
}

}  // namespace

std::optional<TokenRights> ReadTokenRights(HANDLE process) {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &opened)) return std::nullopt;
  const UniqueHandle token(opened);
  const auto integrity = IntegrityLevel(token.get());
  if (!integrity) return std::nullopt;
  TokenRights rights{*integrity, false};
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
    rights.elevated = elevation.TokenIsElevated != 0;
  }
  return rights;
}

bool HigherThan(const TokenRights& theirs, const TokenRights& ours) {
  return theirs.integrity > ours.integrity || (theirs.elevated && !ours.elevated);
}

ProcessRights::ProcessRights(OpenProcessCall open)
    : open_(open), own_(ReadTokenRights(GetCurrentProcess())) {}

bool ProcessRights::Higher(DWORD process) {
  if (!own_ || process == GetCurrentProcessId()) return false;
  const auto ended = [](const auto& entry) {
    return WaitForSingleObject(entry.second.process.get(), 0) != WAIT_TIMEOUT;
  };
  if (const auto found = known_.find(process); found != known_.end() && !ended(*found)) {
    return found->second.higher;
  }
  // A process not known yet: the answers of ended ones go, and their handles with them.
  std::erase_if(known_, ended);
  UniqueHandle handle(open_(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, process));
  bool higher = true;
  if (handle) {
    const auto theirs = ReadTokenRights(handle.get());
    higher = !theirs || HigherThan(*theirs, *own_);
  } else {
    // A process that has ended has nothing to keep; one that we may not open is above us, kept
    // only where a handle can tell when it ends.
    if (GetLastError() != ERROR_ACCESS_DENIED) return false;
    handle.Reset(open_(SYNCHRONIZE, process));
    if (!handle) return true;
  }
  known_.insert_or_assign(process, Known{std::move(handle), higher});
  return higher;
}

}  // namespace hoverdeck::win32
