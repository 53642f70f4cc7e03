// Test programs, and every program they start, keep user data in a private
// tree under the build folder, never in the real home.
#include "RunProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(TestHome, DataAndConfigurationFoldersAreUnderTheBuildTreeForChildrenToo) {
    const std::string home = VELVARO_TEST_XDG_HOME;
    ASSERT_NE(std::getenv("XDG_DATA_HOME"), nullptr);
    ASSERT_NE(std::getenv("XDG_CONFIG_HOME"), nullptr);
    EXPECT_EQ(std::getenv("XDG_DATA_HOME"), home + "/data");
    EXPECT_EQ(std::getenv("XDG_CONFIG_HOME"), home + "/config");

    velvaro::test::Child child;
    ASSERT_TRUE(child.Start("sh", {"-c", "echo \"$XDG_DATA_HOME|$XDG_CONFIG_HOME\""}));
    ASSERT_TRUE(child.WaitForExit());
    EXPECT_EQ(child.readAllStandardOutput().trimmed().toStdString(),
              home + "/data|" + home + "/config");
}

}  // namespace
