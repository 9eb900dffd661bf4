// The process lookups on the helper process and on this one.
#include <gtest/gtest.h>

#include <string>

#include "OwnerProcess.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32ProcessLookup.h"

namespace hoverdeck {
namespace {

using testing::Lower;
using testing::OwnerProcess;

constexpr char kOwnerProgram[] = "hoverdeck_win32_window_owner.exe";
constexpr char kTestProgram[] = "hoverdeck_win32_tests.exe";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class ProcessLookupTest : public ::testing::Test {
 protected:
  OwnerProcess owner_{{{"plain", "-", L"hvd plain"}, {"hidden", "h", L"hvd hidden"}}};
  Win32ProcessLookup lookup_;
};

TEST_F(ProcessLookupTest, WindowsAnswerTheirOwningProcess) {
  EXPECT_EQ(lookup_.WindowProcess(owner_.Window("plain")), owner_.process_id());
  EXPECT_EQ(lookup_.WindowProcess(owner_.Window("hidden")), owner_.process_id());
  EXPECT_NE(owner_.process_id(), GetCurrentProcessId());
  EXPECT_EQ(lookup_.WindowProcess(kNoWindow), std::nullopt);

  const WindowHandle gone = owner_.Window("plain");
  owner_.Stop();
  EXPECT_EQ(lookup_.WindowProcess(gone), std::nullopt);
}

TEST_F(ProcessLookupTest, ProgramPathIsTheFileTheProcessWasStartedFrom) {
  const auto path = lookup_.ProgramPath(owner_.process_id());
  ASSERT_TRUE(path);
  EXPECT_TRUE(EndsWith(Lower(*path), std::string("\\") + kOwnerProgram)) << *path;
  EXPECT_EQ(Lower(*path), Lower(win32::Narrow(owner_.program())));

  const auto own = lookup_.ProgramPath(GetCurrentProcessId());
  ASSERT_TRUE(own);
  EXPECT_TRUE(EndsWith(Lower(*own), std::string("\\") + kTestProgram)) << *own;
}

TEST_F(ProcessLookupTest, ProcessListGivesTheExecutableName) {
  const auto name = lookup_.ListedProgramName(owner_.process_id());
  ASSERT_TRUE(name);
  EXPECT_EQ(Lower(*name), kOwnerProgram);
  EXPECT_EQ(Lower(lookup_.ListedProgramName(GetCurrentProcessId()).value_or("")), kTestProgram);
}

TEST_F(ProcessLookupTest, ProcessesThatAreGoneGiveEmptyAnswers) {
  const DWORD gone = owner_.process_id();
  owner_.Stop();
  EXPECT_EQ(lookup_.ProgramPath(gone), std::string());
  EXPECT_EQ(lookup_.ListedProgramName(gone), std::string());
  // Process ids are multiples of four; this one is never handed out.
  EXPECT_EQ(lookup_.ProgramPath(0xFFFFFFF1u), std::string());
  EXPECT_EQ(lookup_.ListedProgramName(0xFFFFFFF1u), std::string());
}

}  // namespace
}  // namespace hoverdeck
