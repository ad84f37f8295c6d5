// Which price lists changed since their last upload: the send flags, worked out on the first
// show, on every page change, once by Timer1, and from the user's ticks.

#include "app/file_date.h"
#include "app/form_main.h"
#include "ui/application.h"

TShortString& TFormMain::PricePath(int n) {
  return n == 1 ? FConfig.Price1Path : n == 2 ? FConfig.Price2Path : FConfig.Price3Path;
}

double& TFormMain::PriceDate(int n) {
  return n == 1 ? FConfig.Price1Date : n == 2 ? FConfig.Price2Date : FConfig.Price3Date;
}

bool& TFormMain::SendFlag(int n) { return n == 1 ? Send1 : n == 2 ? Send2 : Send3; }

TEdit* TFormMain::PriceEdit(int n) {
  return n == 1 ? Price11Edit : n == 2 ? Price21Edit : Price31Edit;
}

void TFormMain::FormShow(QObject*) {
  if (Tag != 0) return;
  Tag = 1;
  Send1 = true;
  Send2 = false;
  Send3 = false;
  ReadConfig();
  if (FConfig.Price1Path.Length != 0) {
    for (int n = 1; n <= 3; ++n)
      SendFlag(n) = GetFileDate(ShortStringText(PricePath(n))) > PriceDate(n);
    if (FConfig.Price2Path.Length == 0) Send2 = false;
    if (FConfig.Price3Path.Length == 0) Send3 = false;
    cxPageControl1->SetActivePage(ReadySendTabSheet);
  } else {
    cxPageControl1->SetActivePage(WelcomeTabSheet);
  }
}

void TFormMain::SynchronisePaths() {
  // Every edited path is found before the first save, which takes all edits into the record.
  bool edited[4] = {};
  for (int n = 1; n <= 3; ++n)
    edited[n] = PriceEdit(n)->Text() != ShortStringText(PricePath(n));
  for (int n = 1; n <= 3; ++n) {
    if (!edited[n]) continue;
    StoreShortString(PricePath(n), PriceEdit(n)->Text());
    PriceDate(n) = 0;
    SaveConfig();
  }
  ReportUnstorablePaths(edited);
  for (int n = 1; n <= 3; ++n)
    SendFlag(n) = GetFileDate(ShortStringText(PricePath(n))) > PriceDate(n) &&
                  PricePath(n).Length != 0;
  for (int n = 1; n <= 3; ++n)
    if (SendFlag(n) && PricePath(n).Length != 0) CheckListBox1->SetChecked(n - 1, true);
}

// The record holds a path as up to 255 bytes of the system code page; any other path would name
// no file once stored, and its list would silently never be sent.
void TFormMain::ReportUnstorablePaths(const bool (&edited)[4]) {
  for (int n = 1; n <= 3; ++n) {
    const std::u16string path = PriceEdit(n)->Text();
    if (!edited[n] || ShortStringText(PricePath(n)) == path || FReportedPaths[n] == path) continue;
    FReportedPaths[n] = path;  // once for each path typed or chosen
    Application.HandleException(Exception(
        u"Путь к файлу «" + path +
        u"» содержит символы, которые нельзя сохранить в настройках. Переименуйте файл или "
        u"папку и выберите его снова."));
  }
}

void TFormMain::cxPageControl1Change(QObject*) { SynchronisePaths(); }

// Disabled first, so that it runs once even when the recomputation fails.
void TFormMain::Timer1Timer(QObject*) {
  Timer1->SetEnabled(false);
  SynchronisePaths();
}

void TFormMain::CheckListBox1ClickCheck(QObject*) {
  for (int i = 0; i < 3; ++i) {
    if (CheckListBox1->Checked(i)) {
      SendFlag(i + 1) = true;
      PriceDate(i + 1) = 0;
    } else {
      SendFlag(i + 1) = false;
    }
  }
}
