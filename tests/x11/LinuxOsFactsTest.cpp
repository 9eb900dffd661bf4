// The Linux edition's description of the system.
#include <gtest/gtest.h>

#include "platform/x11/LinuxOsFacts.h"

namespace hoverdeck {
namespace {

TEST(LinuxOsFactsTest, DescriptionHasKernelVersionBuildZeroAndDistribution) {
  EXPECT_EQ(DescribeLinux("Linux", "6.1.0-18-amd64",
                          "NAME=x\n# PRETTY_NAME=no\nPRETTY_NAME=\"Debian \\\"12\\\"\"\r\n")
                .description,
            "Linux v.6.1, Build 0, Debian \"12\"");
  EXPECT_TRUE(LinuxOsFacts().description.starts_with("Linux v.")) << LinuxOsFacts().description;
}

}  // namespace
}  // namespace hoverdeck
