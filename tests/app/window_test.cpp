// The wizard window: its pages and controls where the layout puts them, every navigation
// button, the timers, the links and closing.

#include <QEnterEvent>

#include "form_fixture.h"
#include "ui/fonts.h"

namespace {

using WindowTest = FormTest;
using Button = TSmoothButton* TFormMain::*;

TEST_F(WindowTest, IsAFixedWindowStartingOnTheLoginPage) {
  TFormMain& form = Create();
  EXPECT_EQ(form.windowTitle(), QStringLiteral("        Тарво Агент - v1.06"));
  EXPECT_EQ(form.size(), QSize(649, 399));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_FALSE(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(form.font().family(), UiFontFamily());
  EXPECT_EQ(form.font().pointSize(), 8);
  EXPECT_EQ(form.cxPageControl1->PageCount(), 15);
  EXPECT_EQ(form.cxPageControl1->geometry(), QRect(0, 0, 649, 399));
  EXPECT_EQ(Page(), 12);
  const TTabSheet* const pages[] = {
      form.WelcomeTabSheet,       form.Price1SelectTabSheet, form.Price1PreviewTabSheet,
      form.YesNo1TabSheet,        form.Price2SelectTabSheet, form.Price2PreviewTabSheet,
      form.YesNo2TabSheet,        form.Price3SelectTabSheet, form.Price3PreviewTabSheet,
      form.ReadySendTabSheet,     form.cxTabSheet11,         form.cxTabSheet12,
      form.LoginTabSheet,         form.SuccessTabSheet,      form.PasswordErrorTabSheet};
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(pages[i]->PageIndex(), i);
    EXPECT_EQ(pages[i]->Picture().size(), QSize(649, 400)) << i;
  }
}

TEST_F(WindowTest, ControlsSitOnTheirPagesAtTheirPlaces) {
  TFormMain& form = Create();
  const QColor silver = TSmoothButton::kSilver, yellow(242, 188, 0), dark(234, 182, 0);
  const struct {
    Button button;
    int page;
    QRect bounds;
    const char16_t* caption;
    QColor color;
  } kButtons[] = {
      {&TFormMain::CloseSmoothButton, 0, {217, 328, 185, 49}, u"Закрыть  Х", silver},
      {&TFormMain::NextSmoothButton, 0, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::Select1Button, 1, {503, 124, 112, 41}, u"Указать", yellow},
      {&TFormMain::AdvSmoothButton1, 1, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::AdvSmoothButton3, 1, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton6, 2, {503, 124, 112, 41}, u"Указать", yellow},
      {&TFormMain::AdvSmoothButton5, 2, {377, 204, 112, 41}, u"Да!", silver},
      {&TFormMain::AdvSmoothButton15, 2, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::AdvSmoothButton2, 2, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::No1Button, 3, {400, 328, 98, 49}, u"Нет", silver},
      {&TFormMain::Yes1Button, 3, {512, 328, 97, 49}, u"Да", silver},
      {&TFormMain::GoStart1Button, 3, {201, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::Select2Button, 4, {503, 124, 112, 41}, u"Указать", yellow},
      {&TFormMain::AdvSmoothButton17, 4, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::AdvSmoothButton11, 4, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton10, 5, {503, 124, 112, 41}, u"Указать", dark},
      {&TFormMain::AdvSmoothButton9, 5, {377, 204, 112, 41}, u"Да!", silver},
      {&TFormMain::AdvSmoothButton18, 5, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::AdvSmoothButton27, 5, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::No2Button, 6, {400, 328, 98, 49}, u"Нет", silver},
      {&TFormMain::Yes2Button, 6, {512, 328, 97, 49}, u"Да", silver},
      {&TFormMain::AdvSmoothButton32, 6, {201, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton12, 7, {503, 124, 112, 41}, u"Указать", dark},
      {&TFormMain::AdvSmoothButton20, 7, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::AdvSmoothButton28, 7, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton14, 8, {503, 124, 112, 41}, u"Указать", yellow},
      {&TFormMain::AdvSmoothButton13, 8, {377, 204, 112, 41}, u"Да!", silver},
      {&TFormMain::AdvSmoothButton21, 8, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::AdvSmoothButton29, 8, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton4, 9, {425, 328, 184, 49}, u"Отправить >>", silver},
      {&TFormMain::AdvSmoothButton30, 9, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton23, 10, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::AdvSmoothButton34, 10, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton24, 11, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::AdvSmoothButton35, 11, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton25, 12, {424, 328, 185, 49}, u"Далее }", silver},
      {&TFormMain::AdvSmoothButton33, 12, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton36, 13, {424, 328, 185, 49}, u"Закрыть  Х", silver},
      {&TFormMain::AdvSmoothButton7, 13, {217, 328, 185, 49}, u"{ Назад", silver},
      {&TFormMain::AdvSmoothButton37, 14, {424, 328, 185, 49}, u"{ Назад", silver},
  };
  for (const auto& row : kButtons) {
    const TSmoothButton* button = form.*row.button;
    const std::string name = QString::fromStdU16String(row.caption).toStdString() + " on page " +
                             std::to_string(row.page);
    EXPECT_EQ(button->parentWidget(), form.cxPageControl1->Pages(row.page)) << name;
    EXPECT_EQ(button->geometry(), row.bounds) << name;
    EXPECT_EQ(button->Caption(), row.caption) << name;
    EXPECT_EQ(button->Color(), row.color) << name;
    EXPECT_TRUE(button->font().bold()) << name;
    EXPECT_EQ(button->font().pixelSize(), 20) << name;
  }

  const struct {
    QWidget* widget;
    int page;
    QRect bounds;
  } kOthers[] = {
      {form.Price11Edit, 1, {251, 135, 242, 20}},   {form.Price12Edit, 2, {251, 135, 242, 20}},
      {form.Price21Edit, 4, {251, 135, 242, 20}},   {form.Price22Edit, 5, {251, 135, 242, 20}},
      {form.Price31Edit, 7, {251, 135, 242, 20}},   {form.Price32Edit, 8, {251, 135, 242, 20}},
      {form.CheckListBox1, 9, {312, 192, 225, 65}}, {form.AdvSmoothProgressBar1, 9, {256, 290, 353, 24}},
      {form.UserNameEdit, 12, {382, 118, 203, 16}}, {form.PasswordEdit, 12, {382, 150, 203, 16}},
      {form.Label1, 14, {304, 168, 264, 38}},
  };
  for (const auto& row : kOthers) {
    EXPECT_EQ(row.widget->parentWidget(), form.cxPageControl1->Pages(row.page)) << row.page;
    EXPECT_EQ(row.widget->geometry(), row.bounds) << row.page;
  }
  EXPECT_EQ(form.Label2->pos(), QPoint(288, 151));
  EXPECT_EQ(form.Label3->pos(), QPoint(296, 219));
  EXPECT_EQ(form.Label4->pos(), QPoint(296, 234));
  EXPECT_EQ(form.Label2->Caption(), u"Обновлены следующие файлы:");
  EXPECT_EQ(form.Label1->Caption(), u"Имя пользователя, или пароль введен не верно !");
  EXPECT_EQ(form.CheckListBox1->Count(), 3);
  EXPECT_EQ(form.CheckListBox1->item(1)->text(), QStringLiteral("Прайс акций и скидок"));
  EXPECT_FALSE(form.AdvSmoothProgressBar1->Visible());
  EXPECT_EQ(form.AdvSmoothProgressBar1->Caption(), u"Передача данных");
  EXPECT_EQ(form.AdvSmoothProgressBar1->Maximum(), 100);
  EXPECT_EQ(form.AdvSmoothProgressBar1->Position(), 0);
  for (TEdit* edit : {form.Price11Edit, form.UserNameEdit, form.PasswordEdit})
    EXPECT_FALSE(edit->hasFrame());
}

// One navigation: from a page, with some path edits filled, a button leads to a page.
struct NavigationRow {
  const char* name;
  int from;
  Button button;
  int filled_list;  // 1 to 3: that list's path edit holds a path first; 0 none
  int to;
};

const NavigationRow kNavigation[] = {
    {"WelcomeNextWithoutPath", 0, &TFormMain::NextSmoothButton, 0, 1},
    {"WelcomeNextWithPath", 0, &TFormMain::NextSmoothButton, 1, 2},
    {"List1NextSkipsPreview", 1, &TFormMain::AdvSmoothButton1, 0, 3},
    {"List1Back", 1, &TFormMain::AdvSmoothButton3, 0, 0},
    {"Preview1Back", 2, &TFormMain::AdvSmoothButton2, 0, 1},
    {"Preview1Next", 2, &TFormMain::AdvSmoothButton15, 0, 3},
    {"Question1Back", 3, &TFormMain::GoStart1Button, 0, 0},
    {"Question1No", 3, &TFormMain::No1Button, 0, 6},
    {"Question1YesWithoutPath", 3, &TFormMain::Yes1Button, 0, 4},
    {"Question1YesWithPath", 3, &TFormMain::Yes1Button, 2, 5},
    {"List2Back", 4, &TFormMain::AdvSmoothButton11, 0, 3},
    {"List2NextShowsPreview", 4, &TFormMain::AdvSmoothButton17, 0, 5},
    {"Preview2Next", 5, &TFormMain::AdvSmoothButton18, 0, 6},
    {"Preview2Back", 5, &TFormMain::AdvSmoothButton27, 0, 3},
    {"Question2Back", 6, &TFormMain::AdvSmoothButton32, 0, 3},
    {"Question2No", 6, &TFormMain::No2Button, 0, 12},
    {"Question2YesWithoutPath", 6, &TFormMain::Yes2Button, 0, 7},
    {"Question2YesWithPath", 6, &TFormMain::Yes2Button, 3, 8},
    {"List3Back", 7, &TFormMain::AdvSmoothButton28, 0, 6},
    {"List3NextShowsPreview", 7, &TFormMain::AdvSmoothButton20, 0, 8},
    {"Preview3Next", 8, &TFormMain::AdvSmoothButton21, 0, 12},
    {"Preview3Back", 8, &TFormMain::AdvSmoothButton29, 0, 6},
    {"ReadyBack", 9, &TFormMain::AdvSmoothButton30, 0, 6},
    {"ConnectionErrorBack", 10, &TFormMain::AdvSmoothButton34, 0, 9},
    {"ConnectionErrorNextDoesNothing", 10, &TFormMain::AdvSmoothButton23, 0, 10},
    {"TooLargeBack", 11, &TFormMain::AdvSmoothButton35, 0, 9},
    {"TooLargeNextDoesNothing", 11, &TFormMain::AdvSmoothButton24, 0, 11},
    {"LoginNext", 12, &TFormMain::AdvSmoothButton25, 0, 9},
    {"LoginBack", 12, &TFormMain::AdvSmoothButton33, 0, 8},
    {"SuccessBack", 13, &TFormMain::AdvSmoothButton7, 0, 9},
    {"PasswordErrorBack", 14, &TFormMain::AdvSmoothButton37, 0, 12},
};

class NavigationTest : public FormTest, public ::testing::WithParamInterface<NavigationRow> {};

TEST_P(NavigationTest, LeadsToItsPage) {
  const NavigationRow& row = GetParam();
  TFormMain& form = Show();
  TEdit* const edits[4] = {nullptr, form.Price11Edit, form.Price21Edit, form.Price31Edit};
  if (row.filled_list != 0) edits[row.filled_list]->SetText(U(Path("list.xls")));
  SetPage(row.from);
  ASSERT_EQ(Page(), row.from);
  Click(form.*row.button);
  EXPECT_EQ(Page(), row.to);
  EXPECT_EQ(dialogs_, 0);
  EXPECT_EQ(terminations_, 0);
}

INSTANTIATE_TEST_SUITE_P(Buttons, NavigationTest, ::testing::ValuesIn(kNavigation),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, AnsweringTheQuestionsSetsTheFlagsAfterThePageChange) {
  TFormMain& form = Show();
  const struct {
    int from;
    Button button;
    bool TFormMain::* flag;
    bool expected;
  } kAnswers[] = {{3, &TFormMain::Yes1Button, &TFormMain::Send2, true},
                  {3, &TFormMain::No1Button, &TFormMain::Send2, false},
                  {6, &TFormMain::Yes2Button, &TFormMain::Send3, true},
                  {6, &TFormMain::No2Button, &TFormMain::Send3, false}};
  for (const auto& answer : kAnswers) {
    SetPage(answer.from);
    form.*answer.flag = !answer.expected;
    Click(form.*answer.button);
    // "Да" with an empty path: the page change cleared the flag, the answer sets it again.
    EXPECT_EQ(form.*answer.flag, answer.expected) << answer.from;
  }
}

TEST_F(WindowTest, ChoosingAFileFillsBothEditsAndMovesOn) {
  TFormMain& form = Show();
  const struct {
    int from;
    Button button;
    TEdit* TFormMain::* edit;
    TEdit* TFormMain::* partner;
  } kSelections[] = {
      {1, &TFormMain::Select1Button, &TFormMain::Price11Edit, &TFormMain::Price12Edit},
      {2, &TFormMain::AdvSmoothButton6, &TFormMain::Price11Edit, &TFormMain::Price12Edit},
      {4, &TFormMain::Select2Button, &TFormMain::Price21Edit, &TFormMain::Price22Edit},
      {5, &TFormMain::AdvSmoothButton10, &TFormMain::Price21Edit, &TFormMain::Price22Edit},
      {7, &TFormMain::AdvSmoothButton12, &TFormMain::Price31Edit, &TFormMain::Price32Edit},
      {8, &TFormMain::AdvSmoothButton14, &TFormMain::Price31Edit, &TFormMain::Price32Edit},
  };
  for (const auto& selection : kSelections) {
    SetPage(selection.from);
    next_choice_.reset();  // cancelled: nothing happens
    Click(form.*selection.button);
    EXPECT_EQ(Page(), selection.from);
    const std::u16string chosen = U(Touch("chosen" + std::to_string(selection.from) + ".xls"));
    next_choice_ = chosen;
    Click(form.*selection.button);
    EXPECT_EQ(Page(), selection.from + 1);
    EXPECT_EQ((form.*selection.edit)->Text(), chosen);
    EXPECT_EQ((form.*selection.partner)->Text(), chosen);
  }
  EXPECT_EQ(dialogs_, 12);
  EXPECT_EQ(ShortStringText(form.FConfig.Price3Path), U(Path("chosen8.xls")));
  EXPECT_TRUE(form.Send3);
}

TEST_F(WindowTest, PartnerEditsHoldTheSameText) {
  TFormMain& form = Show();
  const std::pair<TEdit*, TEdit*> kPairs[] = {{form.Price11Edit, form.Price12Edit},
                                              {form.Price22Edit, form.Price21Edit},
                                              {form.Price31Edit, form.Price32Edit},
                                              {form.Price32Edit, form.Price31Edit}};
  for (const auto& [typed, partner] : kPairs) {
    typed->clear();
    QTest::keyClicks(typed, QStringLiteral("/home/price 1.xls"));
    EXPECT_EQ(partner->Text(), u"/home/price 1.xls");
  }
  QTest::keyClicks(form.PasswordEdit, QStringLiteral("abc"));
  EXPECT_EQ(form.PasswordEdit->Text(), u"abc");
  EXPECT_EQ(form.PasswordEdit->displayText(), QStringLiteral("***"));
}

TEST_F(WindowTest, TheReadyPageBackButtonCancelsTransfersInProgress) {
  TTestFormMain& form = Show();
  SetPage(9);
  form.AdvSmoothProgressBar1->SetVisible(true);
  form.FetcherBusy = true;
  Click(form.AdvSmoothButton30);
  EXPECT_EQ(Page(), 6);
  EXPECT_EQ(form.FetcherAborts, 1);
  EXPECT_EQ(form.UploaderStops, 0);
  EXPECT_FALSE(form.AdvSmoothProgressBar1->Visible());

  SetPage(9);
  form.AdvSmoothProgressBar1->SetVisible(true);
  form.FetcherBusy = false;
  form.UploaderBusy = true;
  Click(form.AdvSmoothButton30);
  EXPECT_EQ(form.UploaderStops, 1);
  EXPECT_EQ(form.FetcherAborts, 1);
  EXPECT_FALSE(form.AdvSmoothProgressBar1->Visible());
}

TEST_F(WindowTest, Timer2KeepsTheSendButtonInStepWithTheTransfers) {
  TTestFormMain& form = Show(/*keep_timers=*/true);
  form.Timer1->SetEnabled(false);
  EXPECT_TRUE(form.Timer2->Enabled());
  EXPECT_EQ(form.Timer2->Interval(), 500);
  SetPage(9);
  form.AdvSmoothProgressBar1->SetVisible(true);
  form.UploaderBusy = true;
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.AdvSmoothButton4->Enabled(); }, 3000));
  EXPECT_TRUE(form.AdvSmoothProgressBar1->Visible());
  form.UploaderBusy = false;
  form.FetcherBusy = true;
  QTest::qWait(600);  // more than a tick: the fetcher keeps it disabled
  EXPECT_FALSE(form.AdvSmoothButton4->Enabled());
  EXPECT_TRUE(form.AdvSmoothProgressBar1->Visible());
  form.FetcherBusy = false;
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.AdvSmoothButton4->Enabled(); }, 3000));
  EXPECT_FALSE(form.AdvSmoothProgressBar1->Visible());
}

TEST_F(WindowTest, TheCloseBoxSavesAndTheCloseButtonsSaveAndEnd) {
  TFormMain& form = Show();
  form.UserNameEdit->SetText(u"shop");
  form.close();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(terminations_, 0);
  TFormMain& reloaded = Create();
  reloaded.ReadConfig();
  EXPECT_EQ(reloaded.UserNameEdit->Text(), u"shop");

  const std::pair<int, Button> kCloseButtons[] = {{0, &TFormMain::CloseSmoothButton},
                                                  {13, &TFormMain::AdvSmoothButton36}};
  for (const auto& [page, button] : kCloseButtons) {
    std::filesystem::remove(SettingsFile());
    TFormMain& shown = Show();
    SetPage(page);
    Click(shown.*button);
    EXPECT_TRUE(std::filesystem::exists(SettingsFile())) << page;
  }
  EXPECT_EQ(terminations_, 2);
}

// The wizard can be walked with Enter alone; Space on the welcome page does not quit.
TEST_F(WindowTest, EnterTakesEachPagesWayForward) {
  TFormMain& form = Show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  const auto press = [&](Qt::Key key) {
    QTest::keyClick(QApplication::focusWidget(), key);
    QTest::qWait(50);
  };
  press(Qt::Key_Space);
  EXPECT_EQ(terminations_, 0);
  EXPECT_EQ(Page(), 1);
  for (int page : {3, 4, 5, 6, 7}) {  // "Далее }", "Да", "Далее }", "Далее }", "Да"
    press(Qt::Key_Return);
    EXPECT_EQ(Page(), page);
  }
}

TEST_F(WindowTest, TheLoginLinksOpenTheServicePages) {
  setenv("TARVO_SERVICE_HOST", "shop.example:8123", 1);
  TFormMain& form = Show();
  unsetenv("TARVO_SERVICE_HOST");
  SetPage(12);
  EXPECT_EQ(form.Label3->Caption(), u"http://shop.example:8123/remember");
  EXPECT_EQ(form.Label4->Caption(), u"http://shop.example:8123/newuser");
  for (TLabel* label : {form.Label3, form.Label4}) {
    EXPECT_EQ(label->font().pixelSize(), 12);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(label, &enter);
    EXPECT_TRUE(label->Underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(label, &leave);
    EXPECT_FALSE(label->Underline());
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    label->setFocus(Qt::TabFocusReason);  // reached with Tab, opened with Enter
    QTest::keyClick(label, Qt::Key_Return);
  }
  EXPECT_EQ(form.Label3->focusPolicy(), Qt::TabFocus);
  EXPECT_EQ(opened_, (std::vector<std::u16string>{
                         u"http://shop.example:8123/remember", u"http://shop.example:8123/remember",
                         u"http://shop.example:8123/newuser", u"http://shop.example:8123/newuser"}));
}

}  // namespace
