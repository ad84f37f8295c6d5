#pragma once
// The internet client: a handle-based HTTP/1.1 client over TCP in the manner of the platform's
// internet library. A root handle (InternetOpen) holds the agent name and proxy choice; a
// connection handle under it (InternetConnect) names a server; a request handle under that
// (HttpOpenRequest) is sent, written, queried and read. Calls return false (or a null handle)
// on failure and leave the error number in GetLastError().
//
// Each send opens a fresh TCP connection and asks the server to close it after the response
// ("Connection: close"). Responses may be framed by Content-Length, chunked or ended by close.
// Closing a handle closes every handle under it, and any call in progress under a closed
// handle, in any thread, returns at once with ERROR_INTERNET_OPERATION_CANCELLED. Handles are
// numbers that are never reused, so a call with a closed handle fails safely.
//
// "Pre-configured" access takes the proxy from http_proxy (or HTTP_PROXY) and its exceptions
// from no_proxy (or NO_PROXY); loopback addresses are always reached directly.
//
// INTERNET_FLAG_SECURE on a request (or on its connection) makes it HTTPS: the connection is
// secured by TLS 1.2 or newer before any request byte goes out, the server's certificate is
// verified against the system's trusted certificates (or the file SSL_CERT_FILE names) and
// must name the server as given to InternetConnect. A refused certificate fails the send with
// ERROR_INTERNET_SEC_CERT_DATE_INVALID (expired or not yet valid),
// ERROR_INTERNET_SEC_CERT_CN_INVALID (another host), ERROR_INTERNET_INVALID_CA (unknown or
// self-signed issuer) or ERROR_INTERNET_SEC_INVALID_CERT (any other fault); any other failure
// of the handshake with ERROR_INTERNET_SECURITY_CHANNEL_ERROR. Either way the reason in
// OpenSSL's words becomes the thread's last response info. There is no fall-back to plain HTTP.
// The handshake waits like a send: each wait to read has the receive time-out, each wait to
// write the send time-out, and closing the request or a handle above it ends it at once.
// Secure requests go to the server directly, never through the proxy: the client forwards
// plain requests only and has no tunnel through a proxy.
// INTERNET_OPTION_SECURITY_FLAGS is kept and reported back, but no flag in it loosens the
// check: a certificate that fails verification always fails the send.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/last_error.h"
#include "platform/url.h"

using HINTERNET = std::uintptr_t;  // 0: no handle
using DWORD_PTR = std::uintptr_t;

// Error numbers.
constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_EXTENDED_ERROR = 12003;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
constexpr DWORD ERROR_INTERNET_BAD_OPTION_LENGTH = 12010;
constexpr DWORD ERROR_INTERNET_OPTION_NOT_SETTABLE = 12011;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_INTERNET_FORCE_RETRY = 12032;
constexpr DWORD ERROR_INTERNET_SEC_CERT_DATE_INVALID = 12037;
constexpr DWORD ERROR_INTERNET_SEC_CERT_CN_INVALID = 12038;
constexpr DWORD ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED = 12044;
constexpr DWORD ERROR_INTERNET_INVALID_CA = 12045;
constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_HTTP_INVALID_HEADER = 12153;
constexpr DWORD ERROR_HTTP_HEADER_ALREADY_EXISTS = 12155;
constexpr DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;
constexpr DWORD ERROR_INTERNET_DISCONNECTED = 12163;
constexpr DWORD ERROR_INTERNET_SEC_INVALID_CERT = 12169;

// InternetOpen access types.
constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

// InternetConnect services.
constexpr DWORD INTERNET_SERVICE_FTP = 1;
constexpr DWORD INTERNET_SERVICE_HTTP = 3;

// Request flags.
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000;
constexpr DWORD INTERNET_FLAG_PASSIVE = 0x08000000;
constexpr DWORD HSR_INITIATE = 0x00000008;

// HttpAddRequestHeaders modifiers; none of them means HTTP_ADDREQ_FLAG_ADD.
constexpr DWORD HTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000;
constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000;
constexpr DWORD HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA = 0x40000000;
constexpr DWORD HTTP_ADDREQ_FLAG_COALESCE_WITH_SEMICOLON = 0x01000000;
constexpr DWORD HTTP_ADDREQ_FLAG_REPLACE = 0x80000000;

// HttpQueryInfo levels and modifiers.
constexpr DWORD HTTP_QUERY_CONTENT_TYPE = 1;
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_VERSION = 18;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_STATUS_TEXT = 20;
constexpr DWORD HTTP_QUERY_RAW_HEADERS = 21;       // lines separated by zero characters
constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;  // the head as received, with CR LF
constexpr DWORD HTTP_QUERY_TRANSFER_ENCODING = 63;
constexpr DWORD HTTP_QUERY_LOCATION = 33;
constexpr DWORD HTTP_QUERY_CUSTOM = 65535;  // the buffer holds the header's name
constexpr DWORD HTTP_QUERY_FLAG_REQUEST_HEADERS = 0x80000000;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;

// Options.
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr DWORD INTERNET_OPTION_SEND_TIMEOUT = 5;
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
constexpr DWORD INTERNET_OPTION_DATA_SEND_TIMEOUT = 7;
constexpr DWORD INTERNET_OPTION_DATA_RECEIVE_TIMEOUT = 8;
constexpr DWORD INTERNET_OPTION_HANDLE_TYPE = 9;
constexpr DWORD INTERNET_OPTION_USERNAME = 28;
constexpr DWORD INTERNET_OPTION_PASSWORD = 29;
constexpr DWORD INTERNET_OPTION_SECURITY_FLAGS = 31;
constexpr DWORD INTERNET_OPTION_USER_AGENT = 41;
constexpr DWORD INTERNET_OPTION_PROXY_USERNAME = 43;
constexpr DWORD INTERNET_OPTION_PROXY_PASSWORD = 44;
constexpr DWORD INTERNET_OPTION_CONTEXT_VALUE = 45;
constexpr DWORD INTERNET_OPTION_CONNECTED_STATE = 50;
constexpr DWORD INTERNET_OPTION_MAX_CONNS_PER_SERVER = 73;
constexpr DWORD INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER = 74;
constexpr DWORD INTERNET_OPTION_CLIENT_CERT_CONTEXT = 84;

// INTERNET_OPTION_HANDLE_TYPE values.
constexpr DWORD INTERNET_HANDLE_TYPE_INTERNET = 1;
constexpr DWORD INTERNET_HANDLE_TYPE_CONNECT_HTTP = 3;
constexpr DWORD INTERNET_HANDLE_TYPE_HTTP_REQUEST = 13;

// INTERNET_OPTION_CONNECTED_STATE: an 8-byte record. Disconnected by the user means offline:
// sends fail with ERROR_INTERNET_DISCONNECTED until the state is connected again.
constexpr DWORD INTERNET_STATE_CONNECTED = 0x1;
constexpr DWORD INTERNET_STATE_DISCONNECTED_BY_USER = 0x10;
struct INTERNET_CONNECTED_INFO {
  DWORD dwConnectedState;
  DWORD dwFlags;
};

// Status callback notifications.
constexpr DWORD INTERNET_STATUS_CONNECTING_TO_SERVER = 20;
constexpr DWORD INTERNET_STATUS_CONNECTED_TO_SERVER = 21;
constexpr DWORD INTERNET_STATUS_REQUEST_SENT = 31;
constexpr DWORD INTERNET_STATUS_RESPONSE_RECEIVED = 41;
constexpr DWORD INTERNET_STATUS_HANDLE_CLOSING = 70;
// (handle, its context value, status, status information, its length in bytes)
using INTERNET_STATUS_CALLBACK =
    std::function<void(HINTERNET, DWORD_PTR, DWORD, const void*, DWORD)>;

// HttpSendRequestEx's buffer record; the client reads dwBufferTotal only.
struct INTERNET_BUFFERS {
  DWORD dwStructSize = 40;
  INTERNET_BUFFERS* Next = nullptr;
  const char* lpcszHeader = nullptr;
  DWORD dwHeadersLength = 0;
  DWORD dwHeadersTotal = 0;
  void* lpvBuffer = nullptr;
  DWORD dwBufferLength = 0;
  DWORD dwBufferTotal = 0;  // the body's size: the request's Content-Length
  DWORD dwOffsetLow = 0;
  DWORD dwOffsetHigh = 0;
};

// Root handle. `proxy` (INTERNET_OPEN_TYPE_PROXY) is "server:port", "http://server:port" or a
// list of "scheme=server:port" entries; `proxy_bypass` lists hosts reached directly ("<local>"
// for names without a dot, "*" wildcards).
HINTERNET InternetOpen(std::string_view agent, DWORD access_type, std::string_view proxy,
                       std::string_view proxy_bypass, DWORD flags);
// Connection handle; no network traffic happens until a request is sent. Port 0 means 80, or
// 443 with INTERNET_FLAG_SECURE, which also makes every request under it secure.
HINTERNET InternetConnect(HINTERNET internet, std::string_view server_name,
                          INTERNET_PORT server_port, std::string_view user_name,
                          std::string_view password, DWORD service, DWORD flags,
                          DWORD_PTR context);
// Request handle. An empty verb means "GET", an empty object "/", an empty version
// "HTTP/1.1". `accept_types`, when given, become one "Accept" header.
HINTERNET HttpOpenRequest(HINTERNET connect, std::string_view verb, std::string_view object_name,
                          std::string_view version, std::string_view referrer,
                          const std::vector<std::string>* accept_types, DWORD flags,
                          DWORD_PTR context);
// Adds "Name: value" lines (separated by CR LF) to the request. With HTTP_ADDREQ_FLAG_ADD_IF_NEW
// a line whose name is present already is skipped and the call ends with
// ERROR_HTTP_HEADER_ALREADY_EXISTS; the other lines are still added. A malformed line fails
// with ERROR_HTTP_INVALID_HEADER. The client writes Host, User-Agent (unless added here) and
// Content-Length itself, so exactly one of each goes out.
bool HttpAddRequestHeaders(HINTERNET request, std::string_view headers, DWORD modifiers);
// Sends the request with `headers` added (replacing lines of the same name) and `optional`
// as its body, then receives the response head.
bool HttpSendRequest(HINTERNET request, std::string_view headers, const void* optional,
                     DWORD optional_length);
// Sends the request head with Content-Length = buffers_in->dwBufferTotal; the body follows by
// InternetWriteFile and HttpEndRequest receives the response head.
bool HttpSendRequestEx(HINTERNET request, const INTERNET_BUFFERS* buffers_in,
                       INTERNET_BUFFERS* buffers_out, DWORD flags, DWORD_PTR context);
// Fails with ERROR_INTERNET_INCORRECT_HANDLE_STATE when fewer body bytes were written than
// announced (the server would wait for them).
bool HttpEndRequest(HINTERNET request, INTERNET_BUFFERS* buffers_out, DWORD flags,
                    DWORD_PTR context);
// Writes body bytes after HttpSendRequestEx; more than announced fails with
// ERROR_INVALID_PARAMETER and writes nothing.
bool InternetWriteFile(HINTERNET file, const void* buffer, DWORD number_of_bytes_to_write,
                       DWORD* number_of_bytes_written);
// Reads response body bytes; true with 0 bytes read at the end of the body. A body cut short
// by the server fails with ERROR_INTERNET_CONNECTION_ABORTED.
bool InternetReadFile(HINTERNET file, void* buffer, DWORD number_of_bytes_to_read,
                      DWORD* number_of_bytes_read);
// Texts are copied with a terminating zero and `*buffer_length` becomes their length; when the
// buffer is too small (or null) the call fails with ERROR_INSUFFICIENT_BUFFER and sets
// `*buffer_length` to the bytes needed. HTTP_QUERY_FLAG_NUMBER stores a DWORD. `index`, when
// given, picks the n-th occurrence of the header and is advanced past it. A missing header
// fails with ERROR_HTTP_HEADER_NOT_FOUND.
bool HttpQueryInfo(HINTERNET request, DWORD info_level, void* buffer, DWORD* buffer_length,
                   DWORD* index);
bool InternetCloseHandle(HINTERNET internet);
// Handle 0 sets and queries the process-wide values (connected state, connection limits,
// the time-outs that new root handles start with). Time-outs are DWORD milliseconds,
// 0xFFFFFFFF for none; handles take them from their parent when created.
bool InternetSetOption(HINTERNET internet, DWORD option, const void* buffer, DWORD buffer_length);
bool InternetQueryOption(HINTERNET internet, DWORD option, void* buffer, DWORD* buffer_length);
// Installs `callback` on the handle (and handles made under it later); returns the previous one.
INTERNET_STATUS_CALLBACK InternetSetStatusCallback(HINTERNET internet,
                                                   INTERNET_STATUS_CALLBACK callback);
// The calling thread's last server response text that came with ERROR_INTERNET_EXTENDED_ERROR,
// or the reason its last secure connection failed; same buffer rules as HttpQueryInfo.
bool InternetGetLastResponseInfo(DWORD* error, char* buffer, DWORD* buffer_length);
// Records that text for the calling thread (for protocol layers that report it).
void InternetSetLastResponseInfo(DWORD error, std::string_view text);
// There is no dialog on this platform: the user cannot be asked, so the answer is
// ERROR_CANCELLED.
DWORD InternetErrorDlg(void* window, HINTERNET request, DWORD error, DWORD flags, void** data);
bool InternetGetConnectedState(DWORD* flags, DWORD reserved);
