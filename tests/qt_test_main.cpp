// The window tests need one QApplication for the whole program. They run on the
// offscreen platform unless QT_QPA_PLATFORM names another: without a display (CI,
// ctest listing the tests) as with one, so that what they draw and measure is the
// same on every desktop. This is the one place that chooses it for ctest run
// without a preset; the test presets set it as well.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
