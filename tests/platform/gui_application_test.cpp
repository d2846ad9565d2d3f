#include "platform/GuiApplication.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <string>

namespace {

// Windowless code gets a GUI application named after the running program,
// whatever program that is.
TEST(GuiApplication, IsMadeOnceAndNamedAfterTheRunningProgram) {
    platform::EnsureGuiApplication();
    QCoreApplication* app = QCoreApplication::instance();
    ASSERT_NE(qobject_cast<QApplication*>(app), nullptr);
    platform::EnsureGuiApplication();
    EXPECT_EQ(QCoreApplication::instance(), app);

    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    std::string exeName = std::filesystem::path(std::string(self, static_cast<size_t>(n))).filename().string();
    EXPECT_EQ(QCoreApplication::applicationName().toStdString(), exeName);
}

}  // namespace
