#pragma once
// TclUploadThreader: the worker of one upload. Over HTTP it opens a request with
// RequestMethod for the URL's path and query, adds RequestHeader, sends the head with the
// body's size, writes the body in blocks of BatchSize (OnDataItemProceed after each), ends the
// request, checks the HTTP status (400 and above fail the attempt; 401 and 407 first get their
// credentials) and reads the response body into HttpResponse. A body that yields fewer bytes
// than its size fails the attempt.

#include <functional>
#include <string>

#include "upload/clDC.h"

struct TclRequestParameters;

class TclUploadThreader : public TclCustomThreader {
 public:
  // `AIsGetResourceInfo`: only fetch the resource information (not done by an upload).
  TclUploadThreader(std::u16string AURL, bool AIsGetResourceInfo, TStream* ADataStream);

  std::u16string RequestMethod = u"PUT";
  bool UseSimpleRequest = false;   // the whole body in one HttpSendRequest
  bool ForceRemoteDir = false;     // FTP only
  TStream* HttpResponse = nullptr; // receives the response body; not owned

  // Bytes of the current block and bytes written in the current attempt.
  int DataProceedSize() const { return FDataProceedSize; }
  std::int64_t UploadedDataSize() const { return FUploadedDataSize; }

 protected:
  void ProcessHttp() override;
  // The response's HTTP status; false, with the last error set, when the query fails.
  virtual bool QueryStatusCode(HINTERNET request, DWORD* status);
  void ProcessFtp() override {}

 private:
  void AddRequestHeaders(HINTERNET request);
  // HttpSendRequestEx, the body in blocks, HttpEndRequest, under the retry rule.
  void SendRequestEx(TclHttpOpenRequestAction* request);
  // HttpSendRequest with the whole body, under the retry rule.
  void SendSimpleRequest(TclHttpOpenRequestAction* request);
  void WriteBody(TclHttpOpenRequestAction* request);
  // Repeats `operation` while its failures are ones a retry may cure.
  void RetryOperation(HINTERNET request, const std::function<void()>& operation);
  // Whether a failure with `code` is worth a retry, after doing what it asks for.
  bool HandleSendError(HINTERNET request, int code);
  // Raises for a status of 400 and above; a failed status query is reported, not raised.
  void CheckStatus(HINTERNET request);
  void ReadResponse(TclHttpOpenRequestAction* request);
  void NotifyProceed(const char* data, int size);

  bool FIsGetResourceInfo;
  int FDataProceedSize = 0;
  std::int64_t FUploadedDataSize = 0;
};
