// Entry point of the window tests: the real application object on the offscreen platform.
#include <gtest/gtest.h>

#include "shell/fendrival_application.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    FendrivalApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
