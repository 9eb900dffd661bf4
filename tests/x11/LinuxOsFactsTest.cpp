// The Linux edition's description of the system.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include "platform/x11/LinuxOsFacts.h"

namespace hoverdeck {
namespace {

TEST(LinuxOsFactsTest, KernelReleaseGivesMajorAndMinor) {
  const auto version = ParseKernelRelease("6.1.0-18-amd64");
  EXPECT_EQ(version.major, 6u);
  EXPECT_EQ(version.minor, 1u);
  EXPECT_EQ(ParseKernelRelease("5.15").minor, 15u);
  EXPECT_EQ(ParseKernelRelease("4").major, 4u);
  EXPECT_EQ(ParseKernelRelease("4").minor, 0u);
  EXPECT_EQ(ParseKernelRelease("").major, 0u);
  EXPECT_EQ(ParseKernelRelease("99999999999.2").major, 0xFFFFFFFFu);
}

TEST(LinuxOsFactsTest, PrettyNameIsUnquoted) {
  EXPECT_EQ(OsReleasePrettyName("NAME=\"Debian GNU/Linux\"\n"
                                "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsReleasePrettyName("PRETTY_NAME='Arch Linux'\r\n"), "Arch Linux");
  EXPECT_EQ(OsReleasePrettyName("PRETTY_NAME=Plain\n"), "Plain");
  EXPECT_EQ(OsReleasePrettyName("PRETTY_NAME=\"Say \\\"hi\\\" \\$x\"\n"), "Say \"hi\" $x");
  EXPECT_EQ(OsReleasePrettyName("# PRETTY_NAME=\"x\"\nNAME=y\n"), "");
}

TEST(LinuxOsFactsTest, DescriptionHasKernelVersionBuildZeroAndDistribution) {
  EXPECT_EQ(
      DescribeLinux("Linux", "6.1.0-18-amd64", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n")
          .description,
      "Linux v.6.1, Build 0, Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(DescribeLinux("Linux", "5.10.0", "").description, "Linux v.5.10, Build 0");
  EXPECT_FALSE(DescribeLinux("Linux", "6.1", "").is_nt4_or_older);
}

TEST(LinuxOsFactsTest, RunningSystemIsDescribedFromUname) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  const auto version = ParseKernelRelease(names.release);
  const std::string expected_start = std::string(names.sysname) + " v." +
                                     std::to_string(version.major) + "." +
                                     std::to_string(version.minor) + ", Build 0";
  EXPECT_EQ(LinuxOsFacts().description.rfind(expected_start, 0), 0u) << LinuxOsFacts().description;
}

}  // namespace
}  // namespace hoverdeck
