#pragma once
// TFormMain: the agent's one window and the controller behind it. A wizard of fifteen pages
// (one visible at a time) walks the user through naming the three price-list workbooks and the
// account; the window keeps the settings record and file, works out which lists changed since
// their last upload, and runs the publishing. Every handler runs on the main thread.

#include <QObject>
#include <memory>
#include <string>

#include "app/agent_config.h"
#include "app/agent_folders.h"
#include "support/blowfish.h"
#include "support/brix_http_get.h"
#include "support/krs_file.h"
#include "support/md5.h"
#include "ui/check_list_box.h"
#include "ui/edit.h"
#include "ui/form.h"
#include "ui/label.h"
#include "ui/open_dialog.h"
#include "ui/page_control.h"
#include "ui/smooth_button.h"
#include "ui/smooth_progress_bar.h"
#include "ui/timer.h"
#include "upload/clHttpRequest.h"
#include "upload/clUploader.h"

class TFormMain : public TForm {
 public:
  // The window, with its settings file and its HTML files in the folders given (created when
  // first written).
  explicit TFormMain(TAgentFolders folders);
  // The same with both in `home_folder` (a path ending in '/').
  explicit TFormMain(const std::string& home_folder) : TFormMain(TAgentFolders{home_folder, home_folder}) {}
  ~TFormMain() override;

  // Settings record and file.
  bool InitSecurity();
  void ReadConfig();
  void SaveConfig();
  // "agent.kvb" in the settings folder.
  std::string SettingsFileName() const;

  // Window events.
  void FormCreate(QObject* Sender);
  void FormShow(QObject* Sender);
  void FormClose(QObject* Sender);

  // Change detection.
  void cxPageControl1Change(QObject* Sender);
  void Timer1Timer(QObject* Sender);
  void CheckListBox1ClickCheck(QObject* Sender);

  // Navigation.
  void NextSmoothButtonClick(QObject* Sender);
  void CloseSmoothButtonClick(QObject* Sender);
  void Select1ButtonClick(QObject* Sender);
  void AdvSmoothButton1Click(QObject* Sender);
  void AdvSmoothButton3Click(QObject* Sender);
  void AdvSmoothButton15Click(QObject* Sender);
  void No1ButtonClick(QObject* Sender);
  void Yes1ButtonClick(QObject* Sender);
  void GoStart1ButtonClick(QObject* Sender);
  void Select2ButtonClick(QObject* Sender);
  void AdvSmoothButton17Click(QObject* Sender);
  void AdvSmoothButton18Click(QObject* Sender);
  void AdvSmoothButton27Click(QObject* Sender);
  void No2ButtonClick(QObject* Sender);
  void Yes2ButtonClick(QObject* Sender);
  void AdvSmoothButton32Click(QObject* Sender);
  void AdvSmoothButton14Click(QObject* Sender);
  void AdvSmoothButton20Click(QObject* Sender);
  void AdvSmoothButton21Click(QObject* Sender);
  void AdvSmoothButton29Click(QObject* Sender);
  void AdvSmoothButton30Click(QObject* Sender);
  void AdvSmoothButton34Click(QObject* Sender);
  void AdvSmoothButton25Click(QObject* Sender);
  void AdvSmoothButton33Click(QObject* Sender);
  void AdvSmoothButton7Click(QObject* Sender);
  void AdvSmoothButton37Click(QObject* Sender);
  void Timer2Timer(QObject* Sender);

  // Partner edits hold the same path.
  void Price11EditChange(QObject* Sender);
  void Price12EditChange(QObject* Sender);
  void Price21EditChange(QObject* Sender);
  void Price22EditChange(QObject* Sender);
  void Price31EditChange(QObject* Sender);
  void Price32EditChange(QObject* Sender);

  // The links of the login page.
  void Label3Click(QObject* Sender);
  void Label4Click(QObject* Sender);
  void Label3MouseEnter(QObject* Sender);
  void Label4MouseEnter(QObject* Sender);
  void Label3MouseLeave(QObject* Sender);
  void Label4MouseLeave(QObject* Sender);

  // Publishing: the send button, the previews, the credential check's result and the
  // uploader's events.
  void AdvSmoothButton4Click(QObject* Sender);
  void AdvSmoothButton5Click(QObject* Sender);
  void AdvSmoothButton9Click(QObject* Sender);
  void AdvSmoothButton13Click(QObject* Sender);
  void Brix_HTTPGet1DoneString(TBrix_HTTPGet* Sender, const std::u16string& Result);
  void Brix_HTTPGet1Error(TBrix_HTTPGet* Sender);
  void clUploader2DataItemProceed(TclCustomInternetControl* Sender, TclResourceInfo* ResourceInfo,
                                  TclResourceStateItem* AStateItem, const char* CurrentData,
                                  int CurrentDataSize);
  void clUploader2Error(TclCustomInternetControl* Sender, const std::u16string& Error,
                        int ErrorCode);
  void clUploader2StatusChanged(TclCustomInternetControl* Sender, TclProcessStatus Status);
  void clUploader2ProcessCompleted(TclCustomInternetControl* Sender);
  // Start the upload of one list; true when the list was taken (StartPrice).
  bool StartPrice1();
  bool StartPrice2();
  bool StartPrice3();

  bool Send1 = false;  // upload list 1 (main price list) in the next run
  bool Send2 = false;  // upload list 2 (promotions and discounts)
  bool Send3 = false;  // upload list 3 (illiquid stock)

  TAgentConfig FConfig{};                // the settings record, all zero at start
  std::u16string FEncryptPassword;       // the passphrase of the settings cipher
  TMD5Digest FEncryptDigest{};           // its digest: the cipher key
  std::unique_ptr<TBfState> FEncryptData;  // the cipher state
  int FEncryptDataSize = 0;              // its size in bytes

  TKRS_File* BrixFile;  // the settings file
  TBrix_HTTPGet* Brix_HTTPGet1;     // the credential check
  TclHttpRequest* clHttpRequest;    // the upload's body: the list's HTML file
  TclUploader* clUploader2;         // posts one list's HTML file
  TOpenDialog* OpenDialog;
  TTimer* Timer1;  // one-shot recomputation a second after start
  TTimer* Timer2;  // keeps the send button's state in step with the transfers

  TPageControl* cxPageControl1;
  TTabSheet* WelcomeTabSheet;         // 0
  TTabSheet* Price1SelectTabSheet;    // 1
  TTabSheet* Price1PreviewTabSheet;   // 2
  TTabSheet* YesNo1TabSheet;          // 3
  TTabSheet* Price2SelectTabSheet;    // 4
  TTabSheet* Price2PreviewTabSheet;   // 5
  TTabSheet* YesNo2TabSheet;          // 6
  TTabSheet* Price3SelectTabSheet;    // 7
  TTabSheet* Price3PreviewTabSheet;   // 8
  TTabSheet* ReadySendTabSheet;       // 9
  TTabSheet* cxTabSheet11;            // 10: the documents could not be sent
  TTabSheet* cxTabSheet12;            // 11: the files are too large
  TTabSheet* LoginTabSheet;           // 12
  TTabSheet* SuccessTabSheet;         // 13
  TTabSheet* PasswordErrorTabSheet;   // 14

  TSmoothButton* CloseSmoothButton;
  TSmoothButton* NextSmoothButton;
  TEdit* Price11Edit;
  TSmoothButton* Select1Button;
  TSmoothButton* AdvSmoothButton1;
  TSmoothButton* AdvSmoothButton3;
  TEdit* Price12Edit;
  TSmoothButton* AdvSmoothButton6;
  TSmoothButton* AdvSmoothButton5;
  TSmoothButton* AdvSmoothButton15;
  TSmoothButton* AdvSmoothButton2;
  TSmoothButton* No1Button;
  TSmoothButton* Yes1Button;
  TSmoothButton* GoStart1Button;
  TEdit* Price21Edit;
  TSmoothButton* Select2Button;
  TSmoothButton* AdvSmoothButton17;
  TSmoothButton* AdvSmoothButton11;
  TEdit* Price22Edit;
  TSmoothButton* AdvSmoothButton10;
  TSmoothButton* AdvSmoothButton9;
  TSmoothButton* AdvSmoothButton18;
  TSmoothButton* AdvSmoothButton27;
  TSmoothButton* No2Button;
  TSmoothButton* Yes2Button;
  TSmoothButton* AdvSmoothButton32;
  TEdit* Price31Edit;
  TSmoothButton* AdvSmoothButton12;
  TSmoothButton* AdvSmoothButton20;
  TSmoothButton* AdvSmoothButton28;
  TEdit* Price32Edit;
  TSmoothButton* AdvSmoothButton14;
  TSmoothButton* AdvSmoothButton13;
  TSmoothButton* AdvSmoothButton21;
  TSmoothButton* AdvSmoothButton29;
  TLabel* Label2;
  TCheckListBox* CheckListBox1;
  TSmoothProgressBar* AdvSmoothProgressBar1;
  TSmoothButton* AdvSmoothButton4;
  TSmoothButton* AdvSmoothButton30;
  TSmoothButton* AdvSmoothButton23;
  TSmoothButton* AdvSmoothButton34;
  TSmoothButton* AdvSmoothButton24;
  TSmoothButton* AdvSmoothButton35;
  TEdit* UserNameEdit;
  TEdit* PasswordEdit;
  TLabel* Label3;
  TLabel* Label4;
  TSmoothButton* AdvSmoothButton25;
  TSmoothButton* AdvSmoothButton33;
  TSmoothButton* AdvSmoothButton36;
  TSmoothButton* AdvSmoothButton7;
  TLabel* Label1;
  TSmoothButton* AdvSmoothButton37;

 protected:
  // The fetcher's and the uploader's busy state and cancellation, for the back button of the
  // ready-to-send page and Timer2.
  virtual bool FetcherInUse();
  virtual void FetcherAbort();
  virtual bool UploaderIsBusy();
  virtual void UploaderStop();

 private:
  // List n (1 to 3): its stored path and upload date, its send flag and its source edit.
  TShortString& PricePath(int n);
  double& PriceDate(int n);
  bool& SendFlag(int n);
  TEdit* PriceEdit(int n);
  // Stores edited paths (restarting their history), recomputes the flags, ticks changed lists.
  void SynchronisePaths();
  // Moves the active page by `delta` positions.
  void MovePage(int delta);
  // Runs the open dialog; on a choice puts the path into both edits and moves on one page.
  void SelectPrice(TEdit* edit, TEdit* partner);
  void BuildPages();
  void WireEvents();
  // Creates the fetcher, the uploader and its request body, set up and wired to this window.
  void CreateTransfers();
  // Unwires and frees them: a transfer still running is stopped and no event reaches the window.
  void FreeTransfers();

  // The HTML file of list n (1 to 3) in the home folder.
  std::u16string HtmlFileName(int n) const;
  // The service's "/upload" address for `price` (1 to 3: upload of that list; 4: credential
  // check) with the user name and password from the login page, percent-encoded.
  std::u16string UploadUrl(int price) const;
  // Shows the progress bar at 0 with `caption`.
  void ShowProgress(const std::u16string& caption);
  // Starts the upload of list n when it is flagged and changed; true when the list was taken:
  // its upload started, or its HTML would be too large and the run ended on page 11.
  bool StartPrice(int n);
  // Where a failed upload leaves the run: page 11 when the service refused the list as too
  // large, else the connection-error page.
  TTabSheet* FailurePage() const;
  // Shows `page` and hides the progress bar: the run is over.
  void EndRun(TTabSheet* page);
  // Saves the settings; when `edit` names a file, converts it as list n and opens the HTML.
  void PreviewPrice(TEdit* edit, int n);

  // Moves a settings file that exists but cannot be read out of the way, so that the next save
  // cannot replace it, and tells the user where it is now.
  void SetAsideUnreadableSettings(const std::string& name);
  // Tells the user of each edited path (`edited`, indexed by list) that the settings file
  // cannot hold, once for each such path.
  void ReportUnstorablePaths(const bool (&edited)[4]);

  TAgentFolders FFolders;  // where the settings file and the HTML files live
  bool FKeepSettingsFile = false;  // an unreadable settings file could not be set aside
  std::u16string FReportedPaths[4];  // per list, the path last reported as not storable
  bool FUploadTooLarge = false;  // the service refused the running upload as too large
};
