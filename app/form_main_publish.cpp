// Publishing: checking the account, converting the changed lists' first sheets to HTML and
// uploading them one after the other, and the previews.

#include "app/file_date.h"
#include "app/form_main.h"
#include "app/price_html.h"
#include "app/service_host.h"
#include "platform/codepage.h"
#include "platform/percent_encoding.h"
#include "platform/utf.h"
#include "ui/application.h"

namespace {

// What differs between the three lists in a run.
struct TPriceList {
  const char* HtmlName;    // beside the executable
  const char16_t* Caption;  // of the progress bar while it uploads
};

const TPriceList kPriceLists[3] = {
    {"output.html", u"Передача основного прайса"},
    {"output2.html", u"Передача прайса акций, распродаж и скидок"},
    {"output3.html", u"Передача прайса неликвидных товаров"},
};

// The bytes of `text` in the system code page, percent-encoded for a query value.
std::u16string QueryValue(const std::u16string& text) {
  return MultiByteToWide(PercentEncode(WideToMultiByte(text)));
}

// The status with which the service refuses a list too large to take.
constexpr int kPayloadTooLarge = 413;

// The response's first line: up to the first CR or LF.
std::u16string FirstLine(const std::u16string& text) {
  return text.substr(0, text.find_first_of(u"\r\n"));
}

}  // namespace

void TFormMain::CreateTransfers() {
  Brix_HTTPGet1 = new TBrix_HTTPGet(this);
  Brix_HTTPGet1->AcceptTypes = u"*/*";
  Brix_HTTPGet1->SetAgentKind(akIE5);
  Brix_HTTPGet1->BinaryData = false;
  Brix_HTTPGet1->UseCache = false;
  Brix_HTTPGet1->Port = hpDefault;
  Brix_HTTPGet1->WaitThread = false;
  Brix_HTTPGet1->DropOffline = false;
  Brix_HTTPGet1->OnDoneString = [this](TBrix_HTTPGet* sender, const std::u16string& result) {
    Brix_HTTPGet1DoneString(sender, result);
  };
  Brix_HTTPGet1->OnError = [this](TBrix_HTTPGet* sender) { Brix_HTTPGet1Error(sender); };

  // Created before the uploader, so that the uploader, which uses it, is freed first.
  clHttpRequest = new TclHttpRequest(this);
  clHttpRequest->Header()->SetAccept(u"*/*");

  clUploader2 = new TclUploader(this);
  clUploader2->SetTimeOut(30000);
  clUploader2->SetReconnectAfter(30000);
  clUploader2->InternetAgent = u"Mozilla/4.0 (compatible; Tarvo Uploader)";
  clUploader2->SetUseHttpRequest(true);
  clUploader2->SetRequestMethod(u"POST");
  clUploader2->SetHttpRequest(clHttpRequest);
  clUploader2->OnDataItemProceed = [this](TclCustomInternetControl* sender, TclResourceInfo* info,
                                          TclResourceStateItem* state, const char* data, int size) {
    clUploader2DataItemProceed(sender, info, state, data, size);
  };
  clUploader2->OnError = [this](TclCustomInternetControl* sender, const std::u16string& error,
                                int code) { clUploader2Error(sender, error, code); };
  clUploader2->OnStatusChanged = [this](TclCustomInternetControl* sender, TclProcessStatus status) {
    clUploader2StatusChanged(sender, status);
  };
  clUploader2->OnProcessCompleted = [this](TclCustomInternetControl* sender) {
    clUploader2ProcessCompleted(sender);
  };
}

void TFormMain::FreeTransfers() {
  // While one component waits for its worker, the other's events may still be run: none of
  // them may reach the window being destroyed.
  Brix_HTTPGet1->OnDoneString = nullptr;
  Brix_HTTPGet1->OnError = nullptr;
  clUploader2->OnDataItemProceed = nullptr;
  clUploader2->OnError = nullptr;
  clUploader2->OnStatusChanged = nullptr;
  clUploader2->OnProcessCompleted = nullptr;
  delete clUploader2;
  delete clHttpRequest;
  delete Brix_HTTPGet1;
}

bool TFormMain::FetcherInUse() { return Brix_HTTPGet1->InUse(); }
void TFormMain::FetcherAbort() { Brix_HTTPGet1->Abort(); }
bool TFormMain::UploaderIsBusy() { return clUploader2->IsBusy(); }
void TFormMain::UploaderStop() { clUploader2->Stop(); }

std::u16string TFormMain::HtmlFileName(int n) const {
  return Utf8ToUtf16(FFolders.Html + kPriceLists[n - 1].HtmlName);
}

std::u16string TFormMain::UploadUrl(int price) const {
  return ServiceAddress() + u"/upload?user=" + QueryValue(UserNameEdit->Text()) +
         u"&pass=" + QueryValue(PasswordEdit->Text()) + u"&price=" +
         std::u16string(1, static_cast<char16_t>(u'0' + price));
}

void TFormMain::ShowProgress(const std::u16string& caption) {
  AdvSmoothProgressBar1->SetCaption(caption);
  AdvSmoothProgressBar1->SetVisible(true);
  AdvSmoothProgressBar1->SetPosition(0);
}

void TFormMain::AdvSmoothButton4Click(QObject*) {
  ShowProgress(u"Авторификация на сервере ...");
  if (FetcherInUse()) return;
  Brix_HTTPGet1->URL = UploadUrl(4);
  Brix_HTTPGet1->GetString();
}

void TFormMain::Brix_HTTPGet1DoneString(TBrix_HTTPGet*, const std::u16string& Result) {
  if (FirstLine(Result) == u"ok") {
    if (!StartPrice1() && !StartPrice2()) StartPrice3();
    return;
  }
  cxPageControl1->SetActivePage(PasswordErrorTabSheet);
  AdvSmoothProgressBar1->SetVisible(false);
  AdvSmoothProgressBar1->SetPosition(0);
}

void TFormMain::Brix_HTTPGet1Error(TBrix_HTTPGet*) { cxPageControl1->SetActivePage(cxTabSheet11); }

bool TFormMain::StartPrice(int n) {
  if (!SendFlag(n)) return false;
  const std::u16string workbook = PriceEdit(n)->Text();
  if (!FileExists(workbook)) return false;
  if (GetFileDate(workbook) == PriceDate(n)) return false;
  SaveConfig();
  const std::u16string html = HtmlFileName(n);
  CreateUserFolder(FFolders.Html);
  try {
    WritePriceHtml(workbook, html);
  } catch (const EPriceListTooLarge&) {
    // The service would refuse it: the run ends on the "files too large" page, the list's date
    // left as it was.
    EndRun(cxTabSheet12);
    return true;
  }
  FUploadTooLarge = false;
  clUploader2->SetLocalFile(html);
  clUploader2->SetURL(UploadUrl(n));
  ShowProgress(kPriceLists[n - 1].Caption);
  clHttpRequest->Clear();
  clHttpRequest->AddSubmitFile(u"filename", html);
  clUploader2->Start(true);
  return true;
}

bool TFormMain::StartPrice1() { return StartPrice(1); }
bool TFormMain::StartPrice2() { return StartPrice(2); }
bool TFormMain::StartPrice3() { return StartPrice(3); }

void TFormMain::clUploader2DataItemProceed(TclCustomInternetControl*, TclResourceInfo*,
                                           TclResourceStateItem* AStateItem, const char*, int) {
  AdvSmoothProgressBar1->SetMaximum(static_cast<double>(AStateItem->BytesToProceed));
  AdvSmoothProgressBar1->SetPosition(static_cast<double>(AStateItem->BytesProceed));
}

void TFormMain::clUploader2Error(TclCustomInternetControl*, const std::u16string&, int ErrorCode) {
  if (ErrorCode == kPayloadTooLarge) FUploadTooLarge = true;
  cxPageControl1->SetActivePage(FailurePage());
}

TTabSheet* TFormMain::FailurePage() const { return FUploadTooLarge ? cxTabSheet12 : cxTabSheet11; }

void TFormMain::EndRun(TTabSheet* page) {
  cxPageControl1->SetActivePage(page);
  AdvSmoothProgressBar1->SetVisible(false);
}

void TFormMain::clUploader2StatusChanged(TclCustomInternetControl*, TclProcessStatus Status) {
  switch (Status) {
    case psSuccess:
      if (clUploader2->LocalFile() == HtmlFileName(3)) EndRun(SuccessTabSheet);
      break;
    case psFailed:
    case psErrors:
    case psTerminated:
      EndRun(FailurePage());
      break;
    case psUnknown:
    case psProcess:
      break;
  }
}

void TFormMain::clUploader2ProcessCompleted(TclCustomInternetControl*) {
  // A failed or stopped upload has shown the connection-error page: the run ends there, with
  // the list's date left as it was, so that the next run sends it again.
  if (clUploader2->Item()->LastStatus() != psSuccess) return;
  const std::u16string sent = clUploader2->LocalFile();
  for (int n = 1; n <= 3; ++n) {
    if (sent != HtmlFileName(n)) continue;
    const double date = GetFileDate(ShortStringText(PricePath(n)));
    if (date > PriceDate(n)) PriceDate(n) = date;
    SaveConfig();
  }
  const bool second = sent == HtmlFileName(2);
  if ((!Send3 && second) || (!Send2 && !Send3)) EndRun(SuccessTabSheet);
  if (second) StartPrice3();
  if (sent == HtmlFileName(1) && !StartPrice2()) StartPrice3();
}

void TFormMain::PreviewPrice(TEdit* edit, int n) {
  SaveConfig();
  const std::u16string workbook = edit->Text();
  if (!FileExists(workbook)) return;
  CreateUserFolder(FFolders.Html);
  WritePriceHtml(workbook, HtmlFileName(n));  // a list that cannot be shown is reported
  Application.ShellOpen(HtmlFileName(n));
}

void TFormMain::AdvSmoothButton5Click(QObject*) { PreviewPrice(Price12Edit, 1); }
void TFormMain::AdvSmoothButton9Click(QObject*) { PreviewPrice(Price22Edit, 2); }
void TFormMain::AdvSmoothButton13Click(QObject*) { PreviewPrice(Price32Edit, 3); }
