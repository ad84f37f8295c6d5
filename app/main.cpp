// Тарво Агент: one wizard window, created as the main window, and the message loop.

#include <QApplication>

#include "app/agent_folders.h"
#include "app/form_main.h"
#include "platform/executable_folder.h"
#include "ui/russian.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  InstallRussian(application);
  // No application display name: on X11 it would be appended to the window's caption.
  TFormMain form(AgentFolders(ExecutableFolder()));
  form.show();
  return QApplication::exec();
}
