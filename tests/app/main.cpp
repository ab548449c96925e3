#include <gtest/gtest.h>

#include "PlatorisApplication.h"
#include "RussianLocale.h"

int main(int argc, char** argv) {
    // Test discovery runs this binary at build time, outside the test environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app::PlatorisApplication application(argc, argv);
    app::installRussianLocale(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
