#include <gtest/gtest.h>

#include "platform/exception.h"
#include "tools/service/service_options.h"

TEST(ServiceCommand, DefaultsAndEveryOption) {
  const TServiceCommand plain = ParseServiceCommand({"--account", "shop:secret"});
  EXPECT_FALSE(plain.help);
  EXPECT_EQ(plain.options.host, "127.0.0.1");
  EXPECT_EQ(plain.options.port, 8080);
  EXPECT_EQ(plain.options.max_body, 64u * 1024 * 1024);
  ASSERT_EQ(plain.options.accounts.size(), 1u);
  EXPECT_EQ(plain.options.accounts[0].user, "shop");
  EXPECT_EQ(plain.options.accounts[0].password, "secret");

  const TServiceCommand full =
      ParseServiceCommand({"--host", "0.0.0.0", "--port", "0", "--data", "/tmp/d", "--account",
                           "a:p:w:", "--tls-key", "k.pem", "--account", "Магазин:", "--tls-cert", "c.pem"});
  EXPECT_EQ(full.options.host, "0.0.0.0");
  EXPECT_EQ(full.options.port, 0);
  EXPECT_EQ(full.options.data, "/tmp/d");
  EXPECT_EQ(full.options.tls_certificate, "c.pem");
  EXPECT_EQ(full.options.tls_key, "k.pem");
  EXPECT_TRUE(plain.options.tls_certificate.empty() && plain.options.tls_key.empty());
  ASSERT_EQ(full.options.accounts.size(), 2u);
  EXPECT_EQ(full.options.accounts[0].password, "p:w:");  // split at the first colon
  EXPECT_EQ(full.options.accounts[1].user, "Магазин");
  EXPECT_EQ(full.options.accounts[1].password, "");

  EXPECT_TRUE(ParseServiceCommand({"--help"}).help);
}

TEST(ServiceCommand, BadCommandLinesAreRefused) {
  const std::vector<std::vector<std::string>> cases = {
      {},                                           // no account
      {"--port", "8080"},                           // no account
      {"--account", "shop"},                        // no colon
      {"--account", ":secret"},                     // no user name
      {"--account"},                                // no value
      {"--account", "a:b", "--port", "65536"},
      {"--account", "a:b", "--port", "-1"},
      {"--account", "a:b", "--port", "80x"},
      {"--account", "a:b", "--port", ""},
      {"--account", "a:b", "--verbose"},
      {"--account", "a:b", "--data", ""},
      {"--account", "a:b", "--tls-cert", "c.pem"},  // no key
      {"--account", "a:b", "--tls-key", "k.pem"},   // no certificate
      {"--account", "a:b", "--tls-cert", "", "--tls-key", "k.pem"},
      {"--account", "a:b", "--tls-cert", "c.pem", "--tls-key"},
  };
  for (const auto& args : cases) {
    EXPECT_THROW(ParseServiceCommand(args), Exception) << ::testing::PrintToString(args);
  }
}
