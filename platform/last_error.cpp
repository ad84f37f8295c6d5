#include "platform/last_error.h"

#include <utility>

namespace {

thread_local DWORD last_error = ERROR_SUCCESS;

// The messages of the system and of the internet client, by code.
constexpr std::pair<DWORD, const char*> kMessages[] = {
    {0, "The operation completed successfully"},
    {ERROR_INVALID_HANDLE, "The handle is invalid"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small"},
    {ERROR_CANCELLED, "The operation was canceled by the user"},
    {12001, "No more internet handles can be allocated"},
    {12002, "The operation timed out"},
    {12003, "An extended error was returned from the server"},
    {12004, "An internal error occurred in the internet client"},
    {12005, "The URL is invalid"},
    {12006, "The URL does not use a recognized protocol"},
    {12007, "The server name or address could not be resolved"},
    {12009, "The option is invalid"},
    {12010, "The length of the option value is incorrect"},
    {12011, "The option cannot be set"},
    {12017, "The operation was canceled because the handle was closed"},
    {12018, "The type of the handle is incorrect for this operation"},
    {12019, "The operation cannot be carried out in the current state of the handle"},
    {12029, "A connection with the server could not be established"},
    {12030, "The connection with the server was terminated abnormally"},
    {12031, "The connection with the server was reset"},
    {12032, "The request must be sent again"},
    {12037, "The server's certificate has expired or is not yet valid"},
    {12038, "The server's certificate was issued for another host name"},
    {12044, "The server asks for a client certificate"},
    {12045, "The server's certificate was issued by an authority that is not trusted"},
    {12150, "The requested header was not found"},
    {12152, "The server returned an invalid or unrecognized response"},
    {12153, "The header is invalid"},
    {12155, "The header already exists"},
    {12157, "A secure connection with the server could not be established"},
    {12163, "The internet client is in offline mode"},
    {12169, "The server's certificate is invalid"},
};

}  // namespace

DWORD GetLastError() { return last_error; }
void SetLastError(DWORD code) { last_error = code; }

std::string SystemErrorMessage(DWORD code) {
  for (const auto& [number, text] : kMessages) {
    if (number == code) return std::string(text) + ".\r\n";
  }
  return {};
}
