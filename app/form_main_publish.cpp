// Publishing: checking the account, converting and uploading the changed lists, the previews.
// Until the fetcher, the uploader and the workbook conversion join the window, the transfers
// report idle and these handlers do nothing.

#include "app/form_main.h"

bool TFormMain::FetcherInUse() { return false; }
void TFormMain::FetcherAbort() {}
bool TFormMain::UploaderIsBusy() { return false; }
void TFormMain::UploaderStop() {}

void TFormMain::AdvSmoothButton4Click(QObject*) {}
void TFormMain::AdvSmoothButton5Click(QObject*) {}
void TFormMain::AdvSmoothButton9Click(QObject*) {}
void TFormMain::AdvSmoothButton13Click(QObject*) {}
void TFormMain::Brix_HTTPGet1DoneString(QObject*, const std::u16string&) {}
void TFormMain::Brix_HTTPGet1Error(QObject*) {}
void TFormMain::clUploader2Error(QObject*, const std::u16string&, int) {}
void TFormMain::clUploader2ProcessCompleted(QObject*) {}
bool TFormMain::StartPrice1() { return false; }
bool TFormMain::StartPrice2() { return false; }
bool TFormMain::StartPrice3() { return false; }
