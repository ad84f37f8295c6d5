// Build tool: writes the agent's icon as PNG files of the hicolor theme, FOLDER/NxN/apps/
// tarvo-agent.png for each size, drawn by the same code as the window's robot.

#include <QGuiApplication>
#include <QDir>
#include <cstdio>

#include "app/page_art.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tarvo-agent-icons FOLDER\n");
    return 2;
  }
  QGuiApplication application(argc, argv);
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    if (!QDir().mkpath(folder) || !DrawRobotIcon(size).save(folder + QStringLiteral("/tarvo-agent.png"))) {
      std::fprintf(stderr, "tarvo-agent-icons: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
