#pragma once
// TclUrlParser: a URL split into the parts a transfer needs and put together again as the
// absolute URL the transfer uses. Cracking and creating go through the internet client.

#include <functional>
#include <string>

#include "platform/url.h"

// The URL's scheme, numbered like the internet client's schemes.
enum TclUrlType { utUnknown, utFTP, utGOPHER, utHTTP, utHTTPS, utFILE, utNEWS, utMAILTO };

class TclUrlParser {
 public:
  // Lets the owner change the cracked parts before they are taken (user name, password, port).
  using TUrlParsingEvent = std::function<void(TclUrlParser* Sender, URL_COMPONENTS& UrlComponents)>;

  // Splits `AUrl` and returns the absolute URL rebuilt from its parts (blanks as "%20"); empty
  // when the client rejects it, with the client's error left as the thread's last error. A URL
  // without a recognised scheme is tried once more with "http://" in front.
  std::u16string Parse(const std::u16string& AUrl);

  TclUrlType UrlType() const { return FUrlType; }
  const std::u16string& Host() const { return FHost; }
  INTERNET_PORT Port() const { return FPort; }
  const std::u16string& UserName() const { return FUserName; }
  const std::u16string& Password() const { return FPassword; }
  const std::u16string& Urlpath() const { return FUrlpath; }
  // The query (or fragment) with its leading "?" (or "#").
  const std::u16string& Extra() const { return FExtra; }
  // The result of the last successful Parse; empty before one.
  const std::u16string& AbsoluteUri() const { return FAbsoluteUri; }

  TUrlParsingEvent OnUrlParsing;

 private:
  void Reset();
  // One crack-and-rebuild; empty on failure.
  std::u16string ParseOnce(const std::u16string& AUrl);

  std::u16string FUrlpath, FUserName, FExtra, FHost, FPassword, FAbsoluteUri;
  TclUrlType FUrlType = utUnknown;
  INTERNET_PORT FPort = 0;  // the URL's port, or its scheme's default
};
