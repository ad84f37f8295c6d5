// The window tests' main: one QApplication (offscreen unless a platform is chosen) with Qt's
// texts in Russian for every test, and an application object whose error report, shell and termination fail the test
// unless the test installs a recorder of its own.

#include <gtest/gtest.h>

#include <QApplication>

#include "ui/application.h"
#include "ui/russian.h"

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  InstallRussian(application);  // as the agent does, so that screenshots show what users see
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
