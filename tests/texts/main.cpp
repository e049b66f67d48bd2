#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Windows are tested without a display; test discovery at build time runs this too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
