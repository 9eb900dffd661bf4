#include "platform/win32/Win32ProcessRights.h"

#include <cstddef>
#include <vector>

namespace hoverdeck::win32 {
namespace {

// Answers kept before the ones of ended processes are let go.
constexpr std::size_t kMostKnown = 256;

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

ProcessRights::ProcessRights() : own_(ReadTokenRights(GetCurrentProcess())) {}

bool ProcessRights::Higher(DWORD process) {
  if (!own_ || process == GetCurrentProcessId()) return false;
  const auto ended = [](const Known& known) {
    return !known.process || WaitForSingleObject(known.process.get(), 0) != WAIT_TIMEOUT;
  };
  if (const auto found = known_.find(process); found != known_.end()) {
    // One we could not open is trusted until the list is pruned.
    if (!found->second.process || !ended(found->second)) return found->second.higher;
    known_.erase(found);
  }
  if (known_.size() >= kMostKnown) {
    std::erase_if(known_, [&](const auto& entry) { return ended(entry.second); });
  }
  UniqueHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, process));
  // A process that has ended has nothing to keep; one that we may not open is above us.
  if (!handle && GetLastError() != ERROR_ACCESS_DENIED) return false;
  const auto theirs = handle ? ReadTokenRights(handle.get()) : std::nullopt;
  const bool higher = !theirs || HigherThan(*theirs, *own_);
  known_.insert_or_assign(process, Known{std::move(handle), higher});
  return higher;
}

}  // namespace hoverdeck::win32
