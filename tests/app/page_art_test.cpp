// The page pictures: every text fits its place and keeps clear of the page's controls; a
// screenshot of each page goes to the build folder for a look.

#include <QFontMetrics>
#include <QImage>

#include "app/page_layout.h"
#include "form_fixture.h"
#include "ui/fonts.h"

namespace {

using PageArtTest = FormTest;

TEST_F(PageArtTest, TextsFitAndKeepClearOfTheControls) {
  TFormMain& form = Create();
  for (int page = 0; page < kPageCount; ++page) {
    const TPageLayout layout = PageLayout(page);
    EXPECT_GE(layout.Step, -1);
    EXPECT_LE(layout.Step, 4);
    EXPECT_FALSE(layout.Texts.empty()) << page;
    for (const TPageText& text : layout.Texts) {
      const QFontMetrics metrics(UiFont(text.PixelSize, text.Bold));
      const QRect needed = metrics.boundingRect(text.Bounds, text.Alignment | Qt::TextWordWrap,
                                                text.Text);
      EXPECT_TRUE(text.Bounds.contains(needed)) << "page " << page << ": "
                                                << text.Text.toStdString();
      for (const QObject* child : form.cxPageControl1->Pages(page)->children()) {
        const auto* control = qobject_cast<const QWidget*>(child);
        if (control == nullptr || control == form.AdvSmoothProgressBar1) continue;
        EXPECT_FALSE(needed.intersects(control->geometry()))
            << "page " << page << ": " << text.Text.toStdString();
      }
    }
  }
}

TEST_F(PageArtTest, ErrorPagesShowEveryStepRedAndTheOthersTheirStep) {
  const int kSteps[kPageCount] = {0, 1, 1, 2, 2, 2, 3, 3, 3, 4, -1, -1, 4, 4, -1};
  for (int page = 0; page < kPageCount; ++page) EXPECT_EQ(PageLayout(page).Step, kSteps[page]);
  EXPECT_EQ(BreadcrumbSteps().size(), 5u);
  // The highlighted step differs in colour from the one beside it.
  TFormMain& form = Create();
  const QImage welcome = form.WelcomeTabSheet->Picture();
  EXPECT_NE(welcome.pixel(20, 12), welcome.pixel(150, 12));
  const QImage error = form.cxTabSheet11->Picture();
  EXPECT_EQ(error.pixel(20, 12), error.pixel(530, 12));
}

// Every page is shot with the keyboard focus where it starts: on the way forward, never on a
// close button.
TEST_F(PageArtTest, ScreenshotsOfEveryPage) {
  TFormMain& form = Show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.UserNameEdit->SetText(u"shop-42");
  form.PasswordEdit->SetText(u"secret");
  form.Price11Edit->SetText(u"/home/shop/Прайс основной.xls");
  form.CheckListBox1->SetChecked(0, true);
  std::filesystem::create_directories(TARVO_SCREENS_DIR);
  for (int page = 0; page < kPageCount; ++page) {
    SetPage(page);
    if (page == 9) form.AdvSmoothProgressBar1->SetVisible(true), form.AdvSmoothProgressBar1->SetPosition(40);
    const auto* focused = dynamic_cast<const TSmoothButton*>(form.focusWidget());
    const std::u16string caption = focused != nullptr ? focused->Caption() : u"";
    const std::u16string expected = page == 3 || page == 6   ? u"Да"
                                    : page == 9              ? u"Отправить >>"
                                    : page == 13             ? u""  // only "Закрыть  Х" lies ahead
                                    : page == 14             ? u"{ Назад"
                                                             : u"Далее }";
    EXPECT_EQ(caption, expected) << page;
    char name[32];
    std::snprintf(name, sizeof name, "/page-%02d.png", page);
    const QImage shot = form.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(649, 399));
    EXPECT_TRUE(shot.save(QString::fromUtf8(TARVO_SCREENS_DIR) + QString::fromUtf8(name)));
  }
}

}  // namespace
