#include "tools/service/http_answer.h"

namespace {

constexpr const char* kPlainText = "text/plain; charset=utf-8";
constexpr const char* kHtml = "text/html; charset=utf-8";

std::string_view ReasonPhrase(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 417: return "Expectation Failed";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
  }
}

}  // namespace

THttpAnswer TextAnswer(int status, std::string text) {
  THttpAnswer answer;
  answer.status = status;
  answer.content_type = kPlainText;
  answer.body = std::move(text);
  return answer;
}

THttpAnswer HtmlAnswer(std::string page) {
  THttpAnswer answer;
  answer.content_type = kHtml;
  answer.body = std::move(page);
  return answer;
}

THttpAnswer Refusal(int status, std::string_view why) {
  return TextAnswer(status, "error\n" + std::string(why) + "\n");
}

THttpAnswer Refusal(const THttpRefusal& refusal) { return Refusal(refusal.status, refusal.why); }

std::string AnswerHead(const THttpAnswer& answer, std::uint64_t length) {
  std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " ";
  head += ReasonPhrase(answer.status);
  head += "\r\n";
  if (!answer.content_type.empty()) head += "Content-Type: " + answer.content_type + "\r\n";
  head += "Content-Length: " + std::to_string(length) + "\r\n";
  for (const THttpHeader& header : answer.headers) {
    head += header.name + ": " + header.value + "\r\n";
  }
  head += "X-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n";
  return head;
}
