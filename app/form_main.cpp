#include "app/form_main.h"

#include <QIcon>
#include <QPalette>
#include <QPixmap>

#include "app/page_art.h"
#include "app/service_host.h"
#include "ui/application.h"
#include "ui/fonts.h"

namespace {

const QColor kYellow(242, 188, 0);
const QColor kDarkYellow(234, 182, 0);
const QColor kLightGreen(214, 230, 181);

const char16_t kNext[] = u"Далее }";
const char16_t kBack[] = u"{ Назад";
const char16_t kClose[] = u"Закрыть  Х";
const char16_t kSelect[] = u"Указать";
const char16_t kYesShow[] = u"Да!";

TSmoothButton* Button(QWidget* page, const char16_t* caption, int left, int top, int width,
                      int height, QColor color = TSmoothButton::kSilver) {
  auto* button = new TSmoothButton(page, caption, color);
  button->setGeometry(left, top, width, height);
  return button;
}

TEdit* PathEdit(QWidget* page) {
  auto* edit = new TEdit(page);
  edit->SetBorder(false);
  edit->setGeometry(251, 135, 242, 20);
  return edit;
}

TLabel* Link(QWidget* page, const std::u16string& url, int left, int top) {
  auto* label = new TLabel(page, url);
  label->setFont(UiFont(12));
  label->setStyleSheet(QStringLiteral("color: rgb(0, 51, 153);"));
  label->setCursor(Qt::PointingHandCursor);
  label->SetFocusable(true);
  label->adjustSize();
  label->move(left, top);
  return label;
}

}  // namespace

TFormMain::TFormMain(TAgentFolders folders)
    : TForm(u"        Тарво Агент - v1.06", 649, 399), FFolders(std::move(folders)) {
  BrixFile = new TKRS_File(this);
  BrixFile->Temporary = false;
  BrixFile->Exclusive = true;
  BrixFile->Hidden = false;
  BrixFile->ReadOnly = false;
  BrixFile->Overwrite = true;
  BrixFile->FileHandle = 0;
  BrixFile->AutoFlush = true;
  BrixFile->VolumeFS = fstFAT;
  CreateTransfers();
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(QPixmap::fromImage(DrawRobotIcon(size)));
  setWindowIcon(icon);
  OpenDialog = new TOpenDialog(this);
  BuildPages();
  Timer1 = new TTimer(this, 1000, true);
  Timer2 = new TTimer(this, 500, true);
  WireEvents();
  FormCreate(this);
}

TFormMain::~TFormMain() {
  FreeTransfers();
  BrixFile->File_Close();
}

void TFormMain::BuildPages() {
  cxPageControl1 = new TPageControl(this);
  cxPageControl1->setGeometry(0, 0, 649, 399);
  TTabSheet** const pages[] = {
      &WelcomeTabSheet,       &Price1SelectTabSheet, &Price1PreviewTabSheet, &YesNo1TabSheet,
      &Price2SelectTabSheet,  &Price2PreviewTabSheet, &YesNo2TabSheet,       &Price3SelectTabSheet,
      &Price3PreviewTabSheet, &ReadySendTabSheet,    &cxTabSheet11,          &cxTabSheet12,
      &LoginTabSheet,         &SuccessTabSheet,      &PasswordErrorTabSheet};
  for (TTabSheet** page : pages) {
    *page = new TTabSheet(cxPageControl1);
    (*page)->SetPicture(DrawPagePicture((*page)->PageIndex()));
  }

  CloseSmoothButton = Button(WelcomeTabSheet, kClose, 217, 328, 185, 49);
  NextSmoothButton = Button(WelcomeTabSheet, kNext, 424, 328, 185, 49);

  Price11Edit = PathEdit(Price1SelectTabSheet);
  Select1Button = Button(Price1SelectTabSheet, kSelect, 503, 124, 112, 41, kYellow);
  AdvSmoothButton1 = Button(Price1SelectTabSheet, kNext, 424, 328, 185, 49);
  AdvSmoothButton3 = Button(Price1SelectTabSheet, kBack, 217, 328, 185, 49);

  Price12Edit = PathEdit(Price1PreviewTabSheet);
  AdvSmoothButton6 = Button(Price1PreviewTabSheet, kSelect, 503, 124, 112, 41, kYellow);
  AdvSmoothButton5 = Button(Price1PreviewTabSheet, kYesShow, 377, 204, 112, 41);
  AdvSmoothButton15 = Button(Price1PreviewTabSheet, kNext, 424, 328, 185, 49);
  AdvSmoothButton2 = Button(Price1PreviewTabSheet, kBack, 217, 328, 185, 49);

  No1Button = Button(YesNo1TabSheet, u"Нет", 400, 328, 98, 49);
  Yes1Button = Button(YesNo1TabSheet, u"Да", 512, 328, 97, 49);
  GoStart1Button = Button(YesNo1TabSheet, kBack, 201, 328, 185, 49);

  Price21Edit = PathEdit(Price2SelectTabSheet);
  Select2Button = Button(Price2SelectTabSheet, kSelect, 503, 124, 112, 41, kYellow);
  AdvSmoothButton17 = Button(Price2SelectTabSheet, kNext, 424, 328, 185, 49);
  AdvSmoothButton11 = Button(Price2SelectTabSheet, kBack, 217, 328, 185, 49);

  Price22Edit = PathEdit(Price2PreviewTabSheet);
  AdvSmoothButton10 = Button(Price2PreviewTabSheet, kSelect, 503, 124, 112, 41, kDarkYellow);
  AdvSmoothButton9 = Button(Price2PreviewTabSheet, kYesShow, 377, 204, 112, 41);
  AdvSmoothButton18 = Button(Price2PreviewTabSheet, kNext, 424, 328, 185, 49);
  AdvSmoothButton27 = Button(Price2PreviewTabSheet, kBack, 217, 328, 185, 49);

  No2Button = Button(YesNo2TabSheet, u"Нет", 400, 328, 98, 49);
  Yes2Button = Button(YesNo2TabSheet, u"Да", 512, 328, 97, 49);
  AdvSmoothButton32 = Button(YesNo2TabSheet, kBack, 201, 328, 185, 49);

  Price31Edit = PathEdit(Price3SelectTabSheet);
  AdvSmoothButton12 = Button(Price3SelectTabSheet, kSelect, 503, 124, 112, 41, kDarkYellow);
  AdvSmoothButton20 = Button(Price3SelectTabSheet, kNext, 424, 328, 185, 49);
  AdvSmoothButton28 = Button(Price3SelectTabSheet, kBack, 217, 328, 185, 49);

  Price32Edit = PathEdit(Price3PreviewTabSheet);
  AdvSmoothButton14 = Button(Price3PreviewTabSheet, kSelect, 503, 124, 112, 41, kYellow);
  AdvSmoothButton13 = Button(Price3PreviewTabSheet, kYesShow, 377, 204, 112, 41);
  AdvSmoothButton21 = Button(Price3PreviewTabSheet, kNext, 424, 328, 185, 49);
  AdvSmoothButton29 = Button(Price3PreviewTabSheet, kBack, 217, 328, 185, 49);

  Label2 = new TLabel(ReadySendTabSheet, u"Обновлены следующие файлы:");
  Label2->setFont(UiFont(16));
  Label2->adjustSize();
  Label2->move(288, 151);
  CheckListBox1 = new TCheckListBox(
      ReadySendTabSheet, {u"Основной прайс", u"Прайс акций и скидок", u"Прайс неликвидов"}, 18);
  CheckListBox1->setFrameShape(QFrame::NoFrame);
  CheckListBox1->setFont(UiFont(15));
  QPalette list_colours = CheckListBox1->palette();
  list_colours.setColor(QPalette::Base, kLightGreen);
  list_colours.setColor(QPalette::Text, Qt::black);
  CheckListBox1->setPalette(list_colours);
  CheckListBox1->setGeometry(312, 192, 225, 65);
  AdvSmoothProgressBar1 = new TSmoothProgressBar(ReadySendTabSheet);
  AdvSmoothProgressBar1->SetCaption(u"Передача данных");
  AdvSmoothProgressBar1->SetMaximum(100);
  AdvSmoothProgressBar1->SetPosition(0);
  AdvSmoothProgressBar1->setGeometry(256, 290, 353, 24);
  AdvSmoothProgressBar1->SetVisible(false);
  AdvSmoothButton4 = Button(ReadySendTabSheet, u"Отправить >>", 425, 328, 184, 49);
  AdvSmoothButton30 = Button(ReadySendTabSheet, kBack, 217, 328, 185, 49);

  AdvSmoothButton23 = Button(cxTabSheet11, kNext, 424, 328, 185, 49);
  AdvSmoothButton34 = Button(cxTabSheet11, kBack, 217, 328, 185, 49);
  AdvSmoothButton24 = Button(cxTabSheet12, kNext, 424, 328, 185, 49);
  AdvSmoothButton35 = Button(cxTabSheet12, kBack, 217, 328, 185, 49);

  UserNameEdit = new TEdit(LoginTabSheet);
  UserNameEdit->SetBorder(false);
  UserNameEdit->setFont(UiFont(13));
  UserNameEdit->setGeometry(382, 118, 203, 16);
  PasswordEdit = new TEdit(LoginTabSheet);
  PasswordEdit->SetBorder(false);
  PasswordEdit->SetPasswordChar(u'*');
  PasswordEdit->setGeometry(382, 150, 203, 16);
  Label3 = Link(LoginTabSheet, ServiceAddress() + u"/remember", 296, 219);
  Label4 = Link(LoginTabSheet, ServiceAddress() + u"/newuser", 296, 234);
  AdvSmoothButton25 = Button(LoginTabSheet, kNext, 424, 328, 185, 49);
  AdvSmoothButton33 = Button(LoginTabSheet, kBack, 217, 328, 185, 49);

  AdvSmoothButton36 = Button(SuccessTabSheet, kClose, 424, 328, 185, 49);
  AdvSmoothButton7 = Button(SuccessTabSheet, kBack, 217, 328, 185, 49);

  Label1 = new TLabel(PasswordErrorTabSheet, u"");
  Label1->setFont(UiFont(16, true));
  Label1->setStyleSheet(QStringLiteral("color: red;"));
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setWordWrap(true);
  Label1->setGeometry(304, 168, 264, 38);
  Label1->SetCaption(u"Имя пользователя, или пароль введен не верно !");
  AdvSmoothButton37 = Button(PasswordErrorTabSheet, kBack, 424, 328, 185, 49);

  // Each page starts with the focus on its way forward; the success page has only the close
  // button ahead, which a stray key must not press.
  const std::pair<TTabSheet*, QWidget*> defaults[] = {
      {WelcomeTabSheet, NextSmoothButton},      {Price1SelectTabSheet, AdvSmoothButton1},
      {Price1PreviewTabSheet, AdvSmoothButton15}, {YesNo1TabSheet, Yes1Button},
      {Price2SelectTabSheet, AdvSmoothButton17}, {Price2PreviewTabSheet, AdvSmoothButton18},
      {YesNo2TabSheet, Yes2Button},             {Price3SelectTabSheet, AdvSmoothButton20},
      {Price3PreviewTabSheet, AdvSmoothButton21}, {ReadySendTabSheet, AdvSmoothButton4},
      {cxTabSheet11, AdvSmoothButton23},        {cxTabSheet12, AdvSmoothButton24},
      {LoginTabSheet, AdvSmoothButton25},       {PasswordErrorTabSheet, AdvSmoothButton37}};
  for (const auto& [page, control] : defaults) page->DefaultControl = control;

  // The window starts on the login page; the first show replaces it at once.
  cxPageControl1->SetActivePage(LoginTabSheet);
}

void TFormMain::WireEvents() {
  auto on = [this](void (TFormMain::*handler)(QObject*)) {
    return [this, handler](QObject* sender) { (this->*handler)(sender); };
  };
  OnShow = on(&TFormMain::FormShow);
  OnClose = on(&TFormMain::FormClose);
  cxPageControl1->OnChange = on(&TFormMain::cxPageControl1Change);
  Timer1->OnTimer = on(&TFormMain::Timer1Timer);
  Timer2->OnTimer = on(&TFormMain::Timer2Timer);
  CheckListBox1->OnClickCheck = on(&TFormMain::CheckListBox1ClickCheck);

  Price11Edit->OnChange = on(&TFormMain::Price11EditChange);
  Price12Edit->OnChange = on(&TFormMain::Price12EditChange);
  Price21Edit->OnChange = on(&TFormMain::Price21EditChange);
  Price22Edit->OnChange = on(&TFormMain::Price22EditChange);
  Price31Edit->OnChange = on(&TFormMain::Price31EditChange);
  Price32Edit->OnChange = on(&TFormMain::Price32EditChange);

  NextSmoothButton->OnClick = on(&TFormMain::NextSmoothButtonClick);
  CloseSmoothButton->OnClick = on(&TFormMain::CloseSmoothButtonClick);
  AdvSmoothButton36->OnClick = on(&TFormMain::CloseSmoothButtonClick);
  Select1Button->OnClick = on(&TFormMain::Select1ButtonClick);
  AdvSmoothButton6->OnClick = on(&TFormMain::Select1ButtonClick);
  AdvSmoothButton1->OnClick = on(&TFormMain::AdvSmoothButton1Click);
  AdvSmoothButton3->OnClick = on(&TFormMain::AdvSmoothButton3Click);
  AdvSmoothButton2->OnClick = on(&TFormMain::AdvSmoothButton3Click);
  AdvSmoothButton11->OnClick = on(&TFormMain::AdvSmoothButton3Click);
  AdvSmoothButton28->OnClick = on(&TFormMain::AdvSmoothButton3Click);
  AdvSmoothButton15->OnClick = on(&TFormMain::AdvSmoothButton15Click);
  No1Button->OnClick = on(&TFormMain::No1ButtonClick);
  Yes1Button->OnClick = on(&TFormMain::Yes1ButtonClick);
  GoStart1Button->OnClick = on(&TFormMain::GoStart1ButtonClick);
  Select2Button->OnClick = on(&TFormMain::Select2ButtonClick);
  AdvSmoothButton10->OnClick = on(&TFormMain::Select2ButtonClick);
  AdvSmoothButton17->OnClick = on(&TFormMain::AdvSmoothButton17Click);
  AdvSmoothButton18->OnClick = on(&TFormMain::AdvSmoothButton18Click);
  AdvSmoothButton27->OnClick = on(&TFormMain::AdvSmoothButton27Click);
  No2Button->OnClick = on(&TFormMain::No2ButtonClick);
  Yes2Button->OnClick = on(&TFormMain::Yes2ButtonClick);
  AdvSmoothButton32->OnClick = on(&TFormMain::AdvSmoothButton32Click);
  AdvSmoothButton12->OnClick = on(&TFormMain::AdvSmoothButton14Click);
  AdvSmoothButton14->OnClick = on(&TFormMain::AdvSmoothButton14Click);
  AdvSmoothButton20->OnClick = on(&TFormMain::AdvSmoothButton20Click);
  AdvSmoothButton21->OnClick = on(&TFormMain::AdvSmoothButton21Click);
  AdvSmoothButton29->OnClick = on(&TFormMain::AdvSmoothButton29Click);
  AdvSmoothButton30->OnClick = on(&TFormMain::AdvSmoothButton30Click);
  AdvSmoothButton34->OnClick = on(&TFormMain::AdvSmoothButton34Click);
  AdvSmoothButton35->OnClick = on(&TFormMain::AdvSmoothButton34Click);
  AdvSmoothButton25->OnClick = on(&TFormMain::AdvSmoothButton25Click);
  AdvSmoothButton33->OnClick = on(&TFormMain::AdvSmoothButton33Click);
  AdvSmoothButton7->OnClick = on(&TFormMain::AdvSmoothButton7Click);
  AdvSmoothButton37->OnClick = on(&TFormMain::AdvSmoothButton37Click);

  AdvSmoothButton4->OnClick = on(&TFormMain::AdvSmoothButton4Click);
  AdvSmoothButton5->OnClick = on(&TFormMain::AdvSmoothButton5Click);
  AdvSmoothButton9->OnClick = on(&TFormMain::AdvSmoothButton9Click);
  AdvSmoothButton13->OnClick = on(&TFormMain::AdvSmoothButton13Click);

  Label3->OnClick = on(&TFormMain::Label3Click);
  Label4->OnClick = on(&TFormMain::Label4Click);
  Label3->OnMouseEnter = on(&TFormMain::Label3MouseEnter);
  Label4->OnMouseEnter = on(&TFormMain::Label4MouseEnter);
  Label3->OnMouseLeave = on(&TFormMain::Label3MouseLeave);
  Label4->OnMouseLeave = on(&TFormMain::Label4MouseLeave);
}

void TFormMain::MovePage(int delta) {
  cxPageControl1->SetActivePageIndex(cxPageControl1->ActivePageIndex() + delta);
}

void TFormMain::SelectPrice(TEdit* edit, TEdit* partner) {
  if (!OpenDialog->Execute()) return;
  edit->SetText(OpenDialog->FileName);
  partner->SetText(OpenDialog->FileName);
  MovePage(+1);
}

void TFormMain::NextSmoothButtonClick(QObject*) { MovePage(Price11Edit->Text().empty() ? 1 : 2); }

// The program ends even when the settings cannot be saved: the error is shown first.
void TFormMain::CloseSmoothButtonClick(QObject*) {
  Application.Guard([this] { SaveConfig(); });
  Application.Terminate();
}

void TFormMain::Select1ButtonClick(QObject*) { SelectPrice(Price11Edit, Price12Edit); }
void TFormMain::AdvSmoothButton1Click(QObject*) { MovePage(+2); }
void TFormMain::AdvSmoothButton3Click(QObject*) { MovePage(-1); }
void TFormMain::AdvSmoothButton15Click(QObject*) { MovePage(+1); }

void TFormMain::No1ButtonClick(QObject*) {
  cxPageControl1->SetActivePageIndex(6);
  Send2 = false;
}

void TFormMain::Yes1ButtonClick(QObject*) {
  MovePage(Price21Edit->Text().empty() ? 1 : 2);
  Send2 = true;
}

void TFormMain::GoStart1ButtonClick(QObject*) { cxPageControl1->SetActivePageIndex(0); }
void TFormMain::Select2ButtonClick(QObject*) { SelectPrice(Price21Edit, Price22Edit); }
void TFormMain::AdvSmoothButton17Click(QObject*) { MovePage(+1); }
void TFormMain::AdvSmoothButton18Click(QObject*) { MovePage(+1); }
void TFormMain::AdvSmoothButton27Click(QObject*) { MovePage(-2); }

void TFormMain::No2ButtonClick(QObject*) {
  cxPageControl1->SetActivePageIndex(12);
  Send3 = false;
}

void TFormMain::Yes2ButtonClick(QObject*) {
  MovePage(Price31Edit->Text().empty() ? 1 : 2);
  Send3 = true;
}

void TFormMain::AdvSmoothButton32Click(QObject*) { cxPageControl1->SetActivePage(YesNo1TabSheet); }
void TFormMain::AdvSmoothButton14Click(QObject*) { SelectPrice(Price31Edit, Price32Edit); }
void TFormMain::AdvSmoothButton20Click(QObject*) { MovePage(+1); }
void TFormMain::AdvSmoothButton21Click(QObject*) { cxPageControl1->SetActivePageIndex(12); }
void TFormMain::AdvSmoothButton29Click(QObject*) { MovePage(-2); }

void TFormMain::AdvSmoothButton30Click(QObject*) {
  cxPageControl1->SetActivePage(YesNo2TabSheet);
  if (UploaderIsBusy()) {
    AdvSmoothProgressBar1->SetVisible(false);
    UploaderStop();
  }
  if (FetcherInUse()) {
    AdvSmoothProgressBar1->SetVisible(false);
    FetcherAbort();
  }
}

void TFormMain::AdvSmoothButton34Click(QObject*) { cxPageControl1->SetActivePageIndex(9); }
void TFormMain::AdvSmoothButton25Click(QObject*) { cxPageControl1->SetActivePageIndex(9); }
void TFormMain::AdvSmoothButton33Click(QObject*) { cxPageControl1->SetActivePageIndex(8); }
void TFormMain::AdvSmoothButton7Click(QObject*) { cxPageControl1->SetActivePage(ReadySendTabSheet); }
void TFormMain::AdvSmoothButton37Click(QObject*) { cxPageControl1->SetActivePageIndex(12); }

void TFormMain::Timer2Timer(QObject*) {
  if (UploaderIsBusy() || FetcherInUse()) {
    AdvSmoothButton4->SetEnabled(false);
  } else {
    // Disabling took the focus away from the send button: it returns with the button.
    const bool was_disabled = !AdvSmoothButton4->Enabled();
    AdvSmoothButton4->SetEnabled(true);
    if (was_disabled && cxPageControl1->ActivePage() == ReadySendTabSheet)
      AdvSmoothButton4->setFocus(Qt::OtherFocusReason);
    AdvSmoothProgressBar1->SetVisible(false);
  }
}

void TFormMain::Price11EditChange(QObject*) { Price12Edit->SetText(Price11Edit->Text()); }
void TFormMain::Price12EditChange(QObject*) { Price11Edit->SetText(Price12Edit->Text()); }
void TFormMain::Price21EditChange(QObject*) { Price22Edit->SetText(Price21Edit->Text()); }
void TFormMain::Price22EditChange(QObject*) { Price21Edit->SetText(Price22Edit->Text()); }
void TFormMain::Price31EditChange(QObject*) { Price32Edit->SetText(Price31Edit->Text()); }
void TFormMain::Price32EditChange(QObject*) { Price31Edit->SetText(Price32Edit->Text()); }

void TFormMain::Label3Click(QObject*) { Application.ShellOpen(Label3->Caption()); }
void TFormMain::Label4Click(QObject*) { Application.ShellOpen(Label4->Caption()); }
void TFormMain::Label3MouseEnter(QObject*) { Label3->SetUnderline(true); }
void TFormMain::Label4MouseEnter(QObject*) { Label4->SetUnderline(true); }
void TFormMain::Label3MouseLeave(QObject*) { Label3->SetUnderline(false); }
void TFormMain::Label4MouseLeave(QObject*) { Label4->SetUnderline(false); }

void TFormMain::FormClose(QObject*) { SaveConfig(); }
