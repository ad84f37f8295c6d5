#pragma once
// The shops' accounts the service knows, given on its command line in UTF-8, and the check of
// the user name and password that the agent sends as bytes of Windows-1251.

#include <string>
#include <string_view>
#include <vector>

// One shop's account: user name and password as UTF-8.
struct ServiceAccount {
  std::string user;      // the shop's user name, never empty
  std::string password;  // may be empty
};

// "USER:PASSWORD", split at the first ":" (a password may hold ":"); raises Exception when the
// ":" is missing or the user name is empty.
ServiceAccount ParseAccount(std::string_view text);

// The outcome of a credential check.
enum class TCredentials { Accepted, UnknownUser, WrongPassword };

class AccountList {
 public:
  // Adds an account; raises Exception for an empty or twice given user name, for text that is not UTF-8
  // and for characters Windows-1251 lacks (the agent could never send them).
  void Add(ServiceAccount account);

  // The account whose user name is `user` (Windows-1251 bytes), or null.
  const ServiceAccount* Find(std::string_view user) const;
  // Checks a user name and password given as Windows-1251 bytes; letter case counts.
  TCredentials Check(std::string_view user, std::string_view password) const;

  const std::vector<ServiceAccount>& Accounts() const { return accounts_; }

 private:
  std::vector<ServiceAccount> accounts_;  // in the order given
};

// Windows-1251 bytes as UTF-8.
std::string Cp1251ToUtf8(std::string_view bytes);
// UTF-8 text as Windows-1251 bytes; raises Exception when the text is not UTF-8 or holds a
// character Windows-1251 lacks.
std::string Utf8ToCp1251(std::string_view utf8);
