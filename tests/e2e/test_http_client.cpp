// The HTTP client against a local HTTP/HTTPS test peer and a real tinyproxy.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <thread>

#include "net/form_encoding.h"
#include "net/http_client.h"
#include "support/net_peers.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

using test::NetHttpPeer;
using test::NetTinyproxy;

class HttpClientE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { peer_ = std::make_unique<NetHttpPeer>(); }
  static void TearDownTestSuite() { peer_.reset(); }

  static HttpOptions Trusting() {
    HttpOptions o;
    o.CAFile = peer_->caFile;
    o.ConnectTimeout = std::chrono::seconds(5);
    o.IdleTimeout = std::chrono::seconds(5);
    return o;
  }
  std::string Url(bool secure, const std::string& path) {
    return secure ? peer_->HttpsUrl(path) : peer_->HttpUrl(path);
  }
  int EchoHits() {
    HttpClient client(Trusting());
    HttpResult r = client.Get(peer_->HttpUrl("/hits"));
    EXPECT_TRUE(r.Succeeded) << r.Message;
    return std::stoi(r.Body.substr(r.Body.find('=') + 1));
  }

  static std::unique_ptr<NetHttpPeer> peer_;
};
std::unique_ptr<NetHttpPeer> HttpClientE2E::peer_;

class HttpClientSchemeE2E : public HttpClientE2E, public ::testing::WithParamInterface<bool> {};

TEST_P(HttpClientSchemeE2E, PostSendsTheFormBodyAsItIs) {
  HttpClient client(Trusting());
  std::string body = FormBodyFromText("Payee_Account=123\r\nMemo=a b\r\nAmount=5\r\nraw=\x80\xE9");
  HttpResult r = client.Post(Url(GetParam(), "/echo"), body);
  ASSERT_TRUE(r.Succeeded) << r.Message;
  EXPECT_EQ(r.Status, 200);
  EXPECT_EQ(r.StatusLine, "HTTP/1.1 200 OK");
  EXPECT_EQ(r.Message, "");
  EXPECT_EQ(r.Body,
            "method=POST\ncontent-type=application/x-www-form-urlencoded\naccept=text/html, */*\n"
            "length=46\nbody=Payee_Account=123&Memo=a%20b&Amount=5&raw=\x80%E9");
}

TEST_P(HttpClientSchemeE2E, EmptyFormIsAnEmptyPost) {
  HttpClient client(Trusting());
  HttpResult r = client.Post(Url(GetParam(), "/echo"), FormBodyFromText(""));
  ASSERT_TRUE(r.Succeeded) << r.Message;
  EXPECT_EQ(r.Body,
            "method=POST\ncontent-type=application/x-www-form-urlencoded\naccept=text/html, */*\n"
            "length=0\nbody=");
}

TEST_P(HttpClientSchemeE2E, AnswerBytesAreNotConverted) {
  HttpClient client(Trusting());
  HttpResult r = client.Get(Url(GetParam(), "/bytes"));
  ASSERT_TRUE(r.Succeeded) << r.Message;
  ASSERT_EQ(r.Body.size(), 512u);
  for (size_t i = 0; i < r.Body.size(); ++i) ASSERT_EQ(static_cast<unsigned char>(r.Body[i]), i % 256) << i;
}

TEST_P(HttpClientSchemeE2E, RedirectIsAFailureAndIsNotFollowed) {
  int before = EchoHits();
  HttpClient client(Trusting());
  HttpResult r = client.Post(Url(GetParam(), "/redirect"), "a=1");
  EXPECT_FALSE(r.Succeeded);
  EXPECT_EQ(r.Status, 302);
  EXPECT_EQ(r.Message, "HTTP/1.1 302 Found");
  EXPECT_EQ(r.Body, "");
  EXPECT_EQ(EchoHits(), before);
}

TEST_P(HttpClientSchemeE2E, ServerErrorIsAFailureWithItsStatusLine) {
  HttpClient client(Trusting());
  HttpResult r = client.Post(Url(GetParam(), "/error"), "");
  EXPECT_FALSE(r.Succeeded);
  EXPECT_EQ(r.Status, 500);
  EXPECT_EQ(r.Message, "HTTP/1.1 500 Internal Server Error");
  EXPECT_EQ(r.Body, "");  // the error page is not handed on
}

INSTANTIATE_TEST_SUITE_P(Schemes, HttpClientSchemeE2E, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Https" : "Http"; });

TEST_F(HttpClientE2E, GetSendsNoContentType) {
  HttpClient client(Trusting());
  HttpResult r = client.Get(peer_->HttpUrl("/echo"));
  ASSERT_TRUE(r.Succeeded) << r.Message;
  EXPECT_EQ(r.Body.substr(0, r.Body.find("\naccept")), "method=GET\ncontent-type=(none)");
}

TEST_F(HttpClientE2E, OversizedAnswerIsAFailure) {
  HttpOptions o = Trusting();
  o.MaxBodyBytes = 511;
  HttpClient client(o);
  HttpResult r = client.Get(peer_->HttpUrl("/bytes"));
  EXPECT_FALSE(r.Succeeded);
  EXPECT_EQ(r.Message, "The answer is larger than 511 bytes");
  EXPECT_EQ(r.Body, "");
  o.MaxBodyBytes = 512;
  EXPECT_TRUE(HttpClient(o).Get(peer_->HttpUrl("/bytes")).Succeeded);
}

TEST_F(HttpClientE2E, CertificateOfAnUnknownCaIsRefused) {
  for (const std::string& ca : {std::string(), peer_->otherCaFile}) {
    HttpOptions o = Trusting();
    o.CAFile = ca;
    HttpClient client(o);
    HttpResult r = client.Post(peer_->HttpsUrl("/echo"), "a=1");
    EXPECT_FALSE(r.Succeeded) << ca;
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Message.find("certificate"), std::string::npos) << r.Message;
  }
}

// Connections resume the TLS session of an earlier one, but only when they trust the same roots:
// a connection told to trust another CA file (even one with the same certificate in it) makes
// a full handshake and checks the certificate itself, and one that does not trust the server is
// refused although sessions with it exist.
TEST_F(HttpClientE2E, TlsSessionIsResumedOnlyUnderTheSameTrustedRoots) {
  auto resumed = [](const HttpOptions& o) {
    HttpResult r = HttpClient(o).Get(peer_->HttpsUrl("/tls"));
    EXPECT_TRUE(r.Succeeded) << r.Message;
    return r.Body;
  };
  resumed(Trusting());
  EXPECT_EQ(resumed(Trusting()), "resumed=1");

  test::NetTempDir dir;
  HttpOptions copy = Trusting();
  copy.CAFile = (dir / "same-ca.pem").string();
  {
    std::ifstream in(peer_->caFile, std::ios::binary);
    std::ofstream out(copy.CAFile, std::ios::binary);
    out << in.rdbuf();
  }
  EXPECT_EQ(resumed(copy), "resumed=0");
  EXPECT_EQ(resumed(copy), "resumed=1");

  HttpOptions other = Trusting();
  other.CAFile = peer_->otherCaFile;
  HttpResult r = HttpClient(other).Get(peer_->HttpsUrl("/tls"));
  EXPECT_FALSE(r.Succeeded);
  EXPECT_NE(r.Message.find("certificate"), std::string::npos) << r.Message;
}

TEST_F(HttpClientE2E, UnreadableCaFileIsAFailure) {
  HttpOptions o = Trusting();
  o.CAFile = peer_->caFile + ".missing";
  HttpClient client(o);
  HttpResult r = client.Post(peer_->HttpsUrl("/echo"), "");
  EXPECT_FALSE(r.Succeeded);
  EXPECT_EQ(r.Message, "Cannot read the CA file " + o.CAFile);
}

TEST_F(HttpClientE2E, SilentServerEndsByTheIdleTimeout) {
  HttpOptions o = Trusting();
  o.IdleTimeout = std::chrono::seconds(1);
  HttpClient client(o);
  auto start = std::chrono::steady_clock::now();
  HttpResult r = client.Post(peer_->HttpUrl("/hang"), "a=1");
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(r.Succeeded);
  EXPECT_EQ(r.Message, "No data from the server for 1 second");
  EXPECT_GE(took, std::chrono::milliseconds(900));
  EXPECT_LT(took, std::chrono::seconds(5));
}

// A server that keeps sending a byte now and then never trips the idle time-out: the deadline
// of the whole exchange ends it.
TEST_F(HttpClientE2E, TricklingServerEndsByTheDeadline) {
  HttpOptions o = Trusting();
  o.IdleTimeout = std::chrono::seconds(1);
  o.Deadline = std::chrono::seconds(2);
  HttpClient client(o);
  for (bool secure : {false, true}) {
    auto start = std::chrono::steady_clock::now();
    HttpResult r = client.Post(Url(secure, "/trickle"), "a=1");
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(r.Succeeded);
    EXPECT_EQ(r.Body, "");
    EXPECT_EQ(r.Message, "No complete answer from the server within 2 seconds");
    EXPECT_GE(took, std::chrono::milliseconds(1900));
    EXPECT_LT(took, std::chrono::seconds(6));
  }
  EXPECT_EQ(HttpOptions().Deadline, std::chrono::minutes(3));
}

// A listener that never accepts: TCP connects through the backlog, the TLS handshake never
// answers, so the connect time-out ends it.
TEST_F(HttpClientE2E, StalledHandshakeEndsByTheConnectTimeout) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(fd, 8), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  HttpOptions o = Trusting();
  o.ConnectTimeout = std::chrono::milliseconds(700);
  o.IdleTimeout = std::chrono::seconds(30);
  HttpClient client(o);
  auto start = std::chrono::steady_clock::now();
  HttpResult r = client.Post("https://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/", "a=1");
  auto took = std::chrono::steady_clock::now() - start;
  ::close(fd);
  EXPECT_FALSE(r.Succeeded);
  EXPECT_EQ(r.Message, "Connection timed out after 700 ms");
  EXPECT_GE(took, std::chrono::milliseconds(600));
  EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_F(HttpClientE2E, RefusedConnectionIsAFailure) {
  HttpClient client(Trusting());
  HttpResult r = client.Post("http://127.0.0.1:" + std::to_string(test::NetFreePort()) + "/", "");
  EXPECT_FALSE(r.Succeeded);
  EXPECT_NE(r.Message.find("127.0.0.1"), std::string::npos) << r.Message;
}

TEST_F(HttpClientE2E, ProxyVariablesOfTheEnvironmentAreIgnored) {
  test::NetEnvGuard http("http_proxy", "http://127.0.0.1:1");
  test::NetEnvGuard https("https_proxy", "http://127.0.0.1:1");
  test::NetEnvGuard all("ALL_PROXY", "http://127.0.0.1:1");
  HttpClient client(Trusting());
  EXPECT_TRUE(client.Post(peer_->HttpUrl("/echo"), "").Succeeded);
  EXPECT_TRUE(client.Post(peer_->HttpsUrl("/echo"), "").Succeeded);
}

TEST_F(HttpClientE2E, ClientsInSeveralThreadsAtOnce) {
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      HttpClient client(Trusting());
      for (int i = 0; i < 3; ++i) {
        std::string body = "t=" + std::to_string(t) + "&i=" + std::to_string(i);
        HttpResult r = client.Post((t % 2 ? peer_->HttpsUrl("/echo") : peer_->HttpUrl("/echo")), body);
        if (r.Succeeded && r.Body.size() > body.size() &&
            r.Body.compare(r.Body.size() - body.size(), body.size(), body) == 0)
          ++good;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(good.load(), 12);
}

// Through a real tinyproxy with basic authentication: plain HTTP is forwarded, HTTPS tunnelled.
struct ProxyRow {
  const char* label;
  bool secure;
  const char* user;
  const char* password;
  long status;          // 0: success
  const char* message;  // expected failure message
};

class HttpClientProxyE2E : public HttpClientE2E, public ::testing::WithParamInterface<ProxyRow> {
 protected:
  static void SetUpTestSuite() {
    HttpClientE2E::SetUpTestSuite();
    proxy_ = std::make_unique<NetTinyproxy>("user", "pass");
  }
  static void TearDownTestSuite() {
    proxy_.reset();
    HttpClientE2E::TearDownTestSuite();
  }
  static std::unique_ptr<NetTinyproxy> proxy_;
};
std::unique_ptr<NetTinyproxy> HttpClientProxyE2E::proxy_;

TEST_P(HttpClientProxyE2E, AuthenticatesOrReportsTheProxyStatusLine) {
  const ProxyRow& row = GetParam();
  HttpClient client(Trusting());
  ProxySettings proxy;
  proxy.UseProxy = true;
  proxy.ProxyHost = "127.0.0.1";
  proxy.ProxyPort = proxy_->port;
  proxy.ProxyUser = row.user;
  proxy.ProxyPasswd = row.password;
  client.SetProxy(proxy);
  int before = EchoHits();
  HttpResult r = client.Post(Url(row.secure, "/echo"), "via=proxy");
  if (row.status == 0) {
    ASSERT_TRUE(r.Succeeded) << r.Message;
    EXPECT_NE(r.Body.find("body=via=proxy"), std::string::npos) << r.Body;
    EXPECT_EQ(EchoHits(), before + 1);
  } else {
    EXPECT_FALSE(r.Succeeded);
    EXPECT_EQ(r.Status, row.status);
    EXPECT_EQ(r.Message, row.message);
    EXPECT_EQ(r.Body, "");
    EXPECT_EQ(EchoHits(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HttpClientProxyE2E,
    ::testing::Values(
        ProxyRow{"HttpRightPassword", false, "user", "pass", 0, ""},
        ProxyRow{"HttpsRightPassword", true, "user", "pass", 0, ""},
        ProxyRow{"HttpNoPassword", false, "", "", 407, "HTTP/1.0 407 Proxy Authentication Required"},
        ProxyRow{"HttpsNoPassword", true, "", "", 407, "HTTP/1.0 407 Proxy Authentication Required"},
        ProxyRow{"HttpWrongPassword", false, "user", "wrong", 401, "HTTP/1.0 401 Unauthorized"},
        ProxyRow{"HttpsWrongPassword", true, "user", "wrong", 401, "HTTP/1.0 401 Unauthorized"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace nummora
