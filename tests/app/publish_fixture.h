#pragma once
// The window with its real fetcher and uploader on the ready-to-send page, talking to a trading
// service on an ephemeral port of 127.0.0.1 (or to a test's own server), and what a run leaves
// behind: the lists the service stores, the settings file, screenshots.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form_fixture.h"
#include "tools/service/trading_service.h"

// The everyday price list, as LibreOffice writes it.
inline const std::string kPriceList = "../shared/corpus/pricelist_lo.xls";

// The modification date of `workbook`, as the agent records it after an upload.
double WorkbookDate(const std::string& workbook);

class PublishTest : public FormTest {
 protected:
  void TearDown() override;

  // Starts the service with `accounts` over a fresh data folder and points the agent at it;
  // `max_body` 0 keeps the service's limit.
  void StartService(std::vector<ServiceAccount> accounts = {{"shop", "secret"}},
                    std::size_t max_body = 0);
  // The options StartService uses: any free port, a fresh data folder, the account shop:secret.
  TServiceOptions ServiceOptions();
  // Starts the service with `options`; returns its port.
  int RunService(TServiceOptions options);
  // Points the agent at 127.0.0.1:`port`.
  static void UseHost(int port);

  // Shows the window, enters the login and the lists' workbooks (empty: none), moves to the
  // ready-to-send page, which stores them, and sets the send flags. Timer2 runs, Timer1 not.
  TTestFormMain& Ready(const std::array<std::string, 3>& workbooks, std::array<bool, 3> flags,
                       const std::string& user = "shop", const std::string& password = "secret");
  // Presses the send button and waits until neither the fetcher nor the uploader is busy.
  void SendAndWait();
  // Waits until `done` holds; false after 30 seconds.
  static bool WaitFor(const std::function<bool()>& done);

  // List `price` as the service stores it for `user` (UTF-8), if it has one.
  std::optional<std::string> Stored(int price, const std::string& user = "shop") const;
  // What tarvo-xls2html writes for `workbook`.
  std::string Converted(const std::string& workbook);
  // The upload dates in the settings file, as a new window reads them.
  std::array<double, 3> SavedDates();
  // Saves a picture of the window as build/screens/`name`.png.
  void Screenshot(const std::string& name);

  std::string data_;                         // the service's data folder
  std::unique_ptr<TradingService> service_;  // the running service
};
