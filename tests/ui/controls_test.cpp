// The toolkit adapter: the events each control promises, and the default error report that
// keeps the program running when a handler fails.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QTest>
#include <filesystem>

#include "platform/exception.h"
#include "ui/application.h"
#include "ui/check_list_box.h"
#include "ui/edit.h"
#include "ui/fonts.h"
#include "ui/form.h"
#include "ui/label.h"
#include "ui/open_dialog.h"
#include "ui/page_control.h"
#include "ui/smooth_button.h"
#include "ui/smooth_progress_bar.h"
#include "ui/timer.h"

namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Application.ShowException;
    Application.ShowException = [this](const std::u16string& m) { errors_.push_back(m); };
    window_.resize(300, 200);
    window_.show();
  }
  void TearDown() override { Application.ShowException = saved_; }

  QWidget window_;
  std::vector<std::u16string> errors_;  // error reports shown
  std::function<void(const std::u16string&)> saved_;
};

TEST_F(ControlsTest, PageControlReportsEveryChangeInsideTheSetter) {
  TPageControl control(&window_);
  TTabSheet first(&control), second(&control), third(&control);
  EXPECT_EQ(third.PageIndex(), 2);
  std::vector<int> changes;
  control.OnChange = [&](QObject* sender) {
    EXPECT_EQ(sender, &control);
    changes.push_back(control.ActivePageIndex());
  };
  control.SetActivePageIndex(2);
  control.SetActivePageIndex(2);  // already active: nothing
  control.SetActivePage(&first);
  EXPECT_EQ(changes, (std::vector<int>{2, 0}));
  EXPECT_EQ(control.ActivePage(), &first);
  EXPECT_FALSE(third.isVisible());

  control.OnChange = [](QObject*) { throw Exception(std::string_view("page failed")); };
  EXPECT_THROW(control.SetActivePageIndex(1), Exception);  // reaches the code that set it
  EXPECT_EQ(control.ActivePageIndex(), 1);
}

TEST_F(ControlsTest, ButtonsClickOnlyWhenEnabledAndFailuresAreReported) {
  TSmoothButton button(&window_, u"Далее }");
  button.setGeometry(10, 10, 120, 40);
  button.show();
  int clicks = 0;
  button.OnClick = [&](QObject* sender) {
    EXPECT_EQ(sender, &button);
    ++clicks;
  };
  QTest::mouseClick(&button, Qt::LeftButton);
  button.SetEnabled(false);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(button.font().pixelSize(), 20);
  EXPECT_TRUE(button.font().bold());

  button.SetEnabled(true);
  button.OnClick = [](QObject*) { throw Exception(u"Ошибка создания файла"); };
  testing::internal::CaptureStderr();
  QTest::mouseClick(&button, Qt::LeftButton);
  QTest::mouseClick(&button, Qt::LeftButton);  // still running, still answering
  const std::string written = testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors_, (std::vector<std::u16string>{u"Ошибка создания файла", u"Ошибка создания файла"}));
  EXPECT_NE(written.find("Ошибка создания файла"), std::string::npos);
}

TEST_F(ControlsTest, EditsReportEveryChangeOfText) {
  TEdit edit(&window_);
  int changes = 0;
  edit.OnChange = [&](QObject*) { ++changes; };
  QTest::keyClicks(&edit, QStringLiteral("ab"));
  edit.SetText(u"путь");
  edit.SetText(u"путь");  // the same text: nothing
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(edit.Text(), u"путь");
  edit.SetPasswordChar(u'*');
  EXPECT_EQ(edit.displayText(), QStringLiteral("****"));
  EXPECT_EQ(edit.Text(), u"путь");
}

TEST_F(ControlsTest, LabelsReportClicksAndThePointer) {
  TLabel label(&window_, u"http://host/remember");
  label.show();
  std::vector<std::string> events;
  label.OnClick = [&](QObject*) { events.push_back("click"); };
  label.OnMouseEnter = [&](QObject*) { events.push_back("enter"); };
  label.OnMouseLeave = [&](QObject*) { events.push_back("leave"); };
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QApplication::sendEvent(&label, &enter);
  QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(3, 3));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&label, &leave);
  EXPECT_EQ(events, (std::vector<std::string>{"enter", "click", "leave"}));
  label.SetUnderline(true);
  EXPECT_TRUE(label.Underline());
  label.SetUnderline(false);
  EXPECT_FALSE(label.Underline());
  EXPECT_GT(label.width(), 50);  // sized to its caption
}

TEST_F(ControlsTest, CheckListsReportOnlyTheUsersToggles) {
  TCheckListBox list(&window_, {u"Основной прайс", u"Прайс акций и скидок", u"Прайс неликвидов"}, 18);
  list.setGeometry(0, 0, 225, 65);
  list.show();
  std::vector<bool> seen;
  list.OnClickCheck = [&](QObject*) { seen.push_back(list.Checked(1)); };
  list.SetChecked(0, true);
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(list.Checked(0));
  list.setCurrentRow(1);
  QTest::keyClick(&list, Qt::Key_Space);
  EXPECT_EQ(seen, (std::vector<bool>{true}));
  // A click on the item's check box toggles it back.
  const QRect item = list.visualItemRect(list.item(1));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(item.left() + 10, item.center().y()));
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  EXPECT_EQ(item.height(), 18);
}

TEST_F(ControlsTest, ProgressBarsKeepRealValuesAndTheirCaption) {
  TSmoothProgressBar bar(&window_);
  bar.SetMaximum(1e10);
  bar.SetPosition(2.5e9);
  bar.SetCaption(u"Передача данных");
  EXPECT_EQ(bar.Maximum(), 1e10);
  EXPECT_EQ(bar.Position(), 2.5e9);
  EXPECT_EQ(bar.Caption(), u"Передача данных");
  bar.SetVisible(false);
  EXPECT_FALSE(bar.Visible());
  bar.SetVisible(true);
  EXPECT_TRUE(bar.Visible());
  bar.SetMaximum(0);  // no division by zero when drawn
  bar.resize(100, 20);
  EXPECT_FALSE(bar.grab().isNull());
}

TEST_F(ControlsTest, TimersTickWhileEnabledAndSurviveFailingHandlers) {
  TTimer timer(&window_, 20, false);
  int ticks = 0;
  timer.OnTimer = [&](QObject* sender) {
    EXPECT_EQ(sender, &timer);
    if (++ticks == 1) throw Exception(std::string_view("tick failed"));
  };
  QTest::qWait(60);
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 2000));
  timer.SetEnabled(false);
  const int stopped = ticks;
  QTest::qWait(60);
  EXPECT_EQ(ticks, stopped);
  EXPECT_EQ(errors_, (std::vector<std::u16string>{u"tick failed"}));
}

TEST_F(ControlsTest, TheOpenDialogGivesTheChosenPathOrNothing) {
  TOpenDialog dialog(&window_);
  dialog.FileName = u"/old.xls";
  dialog.Runner = [] { return std::optional<std::u16string>(); };
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.FileName, u"/old.xls");
  dialog.Runner = [] { return std::optional<std::u16string>(u"/home/прайс.xls"); };
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName, u"/home/прайс.xls");
}

TEST_F(ControlsTest, AFormClosesAndReportsWhenItsCloseHandlerFails) {
  TForm form(u"Окно", 200, 100);
  int shows = 0;
  form.OnShow = [&](QObject*) { ++shows; };
  form.OnClose = [](QObject*) { throw Exception(std::string_view("cannot save")); };
  form.show();
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(form.size(), QSize(200, 100));
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(errors_, (std::vector<std::u16string>{u"cannot save"}));
}

// Enter and Space press the focused button, and Enter or Space the focused link; a page that
// becomes active puts the focus on its default control.
TEST_F(ControlsTest, TheKeyboardReachesButtonsLinksAndEachPagesDefault) {
  TPageControl control(&window_);
  control.setGeometry(0, 0, 300, 200);
  TTabSheet first(&control), second(&control);
  TSmoothButton forward(&first, u"Далее }"), back(&first, u"{ Назад"), other(&second, u"Да");
  forward.setGeometry(10, 10, 120, 40);
  back.setGeometry(10, 60, 120, 40);
  first.DefaultControl = &forward;
  TLabel link(&second, u"http://host/remember");
  link.SetFocusable(true);
  control.show();
  window_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));

  std::vector<std::string> clicks;
  forward.OnClick = [&](QObject*) { clicks.push_back("forward"); };
  back.OnClick = [&](QObject*) { clicks.push_back("back"); };
  link.OnClick = [&](QObject*) { clicks.push_back("link"); };
  control.SetActivePageIndex(1);
  control.SetActivePageIndex(0);
  EXPECT_TRUE(forward.hasFocus());
  QTest::keyClick(&forward, Qt::Key_Return);
  QTest::keyClick(&forward, Qt::Key_Enter);
  back.setFocus();
  QTest::keyClick(&back, Qt::Key_Space);
  back.SetEnabled(false);
  QTest::keyClick(&back, Qt::Key_Return);  // disabled: nothing
  control.SetActivePageIndex(1);  // no default control: the focus leaves the hidden page
  EXPECT_FALSE(forward.hasFocus());
  link.setFocus();
  QTest::keyClick(&link, Qt::Key_Return);
  EXPECT_EQ(clicks, (std::vector<std::string>{"forward", "forward", "back", "link"}));
}

TEST_F(ControlsTest, TheTypefaceIsTahomaWithCyrillic) {
  if (std::filesystem::exists("/usr/share/wine/fonts/tahoma.ttf")) {
    EXPECT_EQ(UiFontFamily(), QStringLiteral("Tahoma"));
  }
  const QFontMetrics metrics(UiFont(15));
  for (char16_t c : std::u16string(u"ЖжЁё№")) EXPECT_TRUE(metrics.inFont(QChar(c))) << int(c);
  EXPECT_EQ(UiFont(12).pixelSize(), 12);
  EXPECT_EQ(UiFontPoints(8).pointSize(), 8);
}

}  // namespace
