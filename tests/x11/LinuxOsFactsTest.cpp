// The Linux edition's description of the system.
#include <gtest/gtest.h>

#include "platform/x11/LinuxOsFacts.h"

namespace hoverdeck {
namespace {

TEST(LinuxOsFactsTest, KernelReleaseAndPrettyName) {
  const std::vector<std::tuple<std::string, std::uint32_t, std::uint32_t>> releases = {
      {"6.1.0-18-amd64", 6, 1}, {"5.15", 5, 15}, {"4", 4, 0}, {"", 0, 0},
      {"99999999999.2", 0xFFFFFFFFu, 2}};
  for (const auto& [release, major, minor] : releases) {
    EXPECT_EQ(ParseKernelRelease(release).major, major) << release;
    EXPECT_EQ(ParseKernelRelease(release).minor, minor) << release;
  }
  const std::vector<std::pair<std::string, std::string>> names = {
      {"NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
       "Debian GNU/Linux 12 (bookworm)"},
      {"PRETTY_NAME='Arch Linux'\r\n", "Arch Linux"},
      {"PRETTY_NAME=Plain\n", "Plain"},
      {"PRETTY_NAME=\"Say \\\"hi\\\" \\$x\"\n", "Say \"hi\" $x"},
      {"# PRETTY_NAME=\"x\"\nNAME=y\n", ""}};
  for (const auto& [text, name] : names) EXPECT_EQ(OsReleasePrettyName(text), name) << text;
}

TEST(LinuxOsFactsTest, DescriptionHasKernelVersionBuildZeroAndDistribution) {
  EXPECT_EQ(DescribeLinux("Linux", "6.1.0-18-amd64", "PRETTY_NAME=\"Debian 12\"\n").description,
            "Linux v.6.1, Build 0, Debian 12");
  EXPECT_EQ(DescribeLinux("Linux", "5.10.0", "").description, "Linux v.5.10, Build 0");
  EXPECT_FALSE(DescribeLinux("Linux", "6.1", "").is_nt4_or_older);
  EXPECT_TRUE(LinuxOsFacts().description.starts_with("Linux v.")) << LinuxOsFacts().description;
}

}  // namespace
}  // namespace hoverdeck
