// Qt's own texts are Russian: the file dialog and the buttons of message boxes.

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "ui/russian.h"

namespace {

TEST(Russian, QtsOwnTextsAreRussian) {
  ASSERT_TRUE(InstallRussian(*QCoreApplication::instance()));
  EXPECT_EQ(QLocale().language(), QLocale::Russian);
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Да"));

  QFileDialog dialog(nullptr, QString(), QStringLiteral("/usr/share"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.resize(620, 420);
  dialog.show();
  QTest::qWait(200);
  EXPECT_EQ(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->text(),
            QStringLiteral("&Открыть"));
  std::filesystem::create_directories(TARVO_SCREENS_DIR);
  EXPECT_TRUE(dialog.grab().save(QStringLiteral(TARVO_SCREENS_DIR "/file-dialog.png")));
}

}  // namespace
