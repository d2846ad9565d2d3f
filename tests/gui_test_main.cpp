// The main of the tests that draw or show windows: like the program, they
// make their Qt application first (ctest picks the off-screen platform).

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
