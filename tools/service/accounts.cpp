#include "tools/service/accounts.h"

#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/utf.h"

namespace {

constexpr int kAgentCodePage = 1251;

}  // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
  return Utf16ToUtf8(MultiByteToWide(bytes, kAgentCodePage));
}

std::string Utf8ToCp1251(std::string_view utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  if (Utf16ToUtf8(text) != utf8) {
    throw Exception("\"" + std::string(utf8) + "\" is not UTF-8 text");
  }
  std::string bytes = WideToMultiByte(text, kAgentCodePage);
  if (MultiByteToWide(bytes, kAgentCodePage) != text) {
    throw Exception("\"" + std::string(utf8) + "\" holds characters that Windows-1251 lacks");
  }
  return bytes;
}

ServiceAccount ParseAccount(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    throw Exception("account \"" + std::string(text) + "\" is not USER:PASSWORD");
  }
  if (colon == 0) throw Exception("account \"" + std::string(text) + "\" has no user name");
  return {std::string(text.substr(0, colon)), std::string(text.substr(colon + 1))};
}

void AccountList::Add(ServiceAccount account) {
  if (account.user.empty()) throw Exception("an account has no user name");
  Utf8ToCp1251(account.user);
  Utf8ToCp1251(account.password);
  for (const ServiceAccount& known : accounts_) {
    if (known.user == account.user) {
      throw Exception("account \"" + account.user + "\" is given twice");
    }
  }
  accounts_.push_back(std::move(account));
}

const ServiceAccount* AccountList::Find(std::string_view user) const {
  const std::string name = Cp1251ToUtf8(user);
  for (const ServiceAccount& account : accounts_) {
    if (account.user == name) return &account;
  }
  return nullptr;
}

TCredentials AccountList::Check(std::string_view user, std::string_view password) const {
  const ServiceAccount* account = Find(user);
  if (account == nullptr) return TCredentials::UnknownUser;
  return account->password == Cp1251ToUtf8(password) ? TCredentials::Accepted
                                                      : TCredentials::WrongPassword;
}
