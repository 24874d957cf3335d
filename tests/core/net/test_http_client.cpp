// What the HTTP client refuses before any connection is made. Exchanges with servers and
// proxies are tested end to end (tests/e2e/test_http_client.cpp).
#include <gtest/gtest.h>

#include "net/http_client.h"

namespace nummora {
namespace {

struct RefusalRow {
  const char* label;
  std::string url;
  bool useProxy;
  std::string host;
  int32_t port;
  std::string message;  // empty: only "fails" is checked
};

class HttpClientRefusalTest : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(HttpClientRefusalTest, FailsWithAMessage) {
  const RefusalRow& row = GetParam();
  HttpOptions options;
  options.ConnectTimeout = std::chrono::seconds(2);
  HttpClient client(options);
  ProxySettings proxy;
  proxy.UseProxy = row.useProxy;
  proxy.ProxyHost = row.host;
  proxy.ProxyPort = row.port;
  client.SetProxy(proxy);
  HttpResult r = client.Post(row.url, "a=1");
  EXPECT_FALSE(r.Succeeded);
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Body, "");
  if (row.message.empty())
    EXPECT_FALSE(r.Message.empty());
  else
    EXPECT_EQ(r.Message, row.message);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HttpClientRefusalTest,
    ::testing::Values(
        RefusalRow{"EmptyProxyHost", "http://127.0.0.1:9/", true, "", 3128, "Invalid proxy host \"\""},
        RefusalRow{"ProxyHostWithUserInfo", "http://127.0.0.1:9/", true, "me@evil.example", 3128,
                   "Invalid proxy host \"me@evil.example\""},
        RefusalRow{"ProxyHostWithScheme", "http://127.0.0.1:9/", true, "socks5://127.0.0.1", 3128,
                   "Invalid proxy host \"socks5://127.0.0.1\""},
        RefusalRow{"ProxyPortZero", "http://127.0.0.1:9/", true, "127.0.0.1", 0, "Invalid proxy port 0"},
        RefusalRow{"ProxyPortTooLarge", "http://127.0.0.1:9/", true, "127.0.0.1", 65536,
                   "Invalid proxy port 65536"},
        RefusalRow{"OtherScheme", "ftp://127.0.0.1/", false, "", 0, ""},
        RefusalRow{"FileScheme", "file:///etc/passwd", false, "", 0, ""}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace nummora
