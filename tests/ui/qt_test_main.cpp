// The window tests' main: one QApplication (offscreen unless a platform is chosen) for every
// test, and an application object whose error report, shell and termination fail the test
// unless the test installs a recorder of its own.

#include <gtest/gtest.h>

#include <QApplication>

#include "ui/application.h"

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  Application.ShowException = [](const std::u16string& message) {
    ADD_FAILURE() << "unexpected error report: " << QString::fromStdU16String(message).toStdString();
  };
  Application.ShellOpen = [](const std::u16string& target) {
    ADD_FAILURE() << "unexpected shell open: " << QString::fromStdU16String(target).toStdString();
  };
  Application.Terminate = [] { ADD_FAILURE() << "unexpected termination"; };
  return RUN_ALL_TESTS();
}
