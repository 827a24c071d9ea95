// Test programs run with HOME and XDG_DATA_HOME in a private temporary folder and without
// CE_DEVICE, so that nothing a test does can reach the user's own devices.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/TempDevice.h"

int main(int argc, char** argv) {
    const std::filesystem::path home = test::MakeTempFolder("home");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    unsetenv("CE_DEVICE");
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}
