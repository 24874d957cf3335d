// A Liberty Reserve balance fetched from the sandbox through a real tinyproxy that demands
// basic authentication: with the right password the balances arrive through the tunnel; with
// a wrong one the proxy's refusal is a connection problem and nothing reaches the server.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/format_settings.h"
#include "net/balance_outcome.h"
#include "net/form_encoding.h"
#include "net/http_client.h"
#include "net/liberty_reserve.h"
#include "profile/model.h"
#include "support/net_peers.h"
#include "support/sandbox_process.h"

using namespace nummora;
using namespace nummora::test;

namespace {

class LRBalanceThroughProxy : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sandbox_ = std::make_unique<SandboxProcess>();
    std::string error;
    ASSERT_TRUE(sandbox_->Start(&error)) << error;
    proxy_ = std::make_unique<NetTinyproxy>("wallet", "proxy-pass");
  }
  static void TearDownTestSuite() {
    proxy_.reset();
    sandbox_.reset();
  }

  static AccountRecord Dave() {
    AccountRecord a;
    a.Type = AccountType::LibertyReserve;
    a.ID = "U1000001";
    a.Name = "Dave Reserve";
    a.APIname = "daveapi";
    a.Password = "davesecret";
    return a;
  }

  // One balance exchange as the balance refresh makes it, through the proxy.
  static HttpResult Fetch(const AccountRecord& account, const std::string& proxyPassword) {
    HttpOptions options;
    options.CAFile = sandbox_->CaFile();
    HttpClient client(options);
    ProxySettings proxy;
    proxy.UseProxy = true;
    proxy.ProxyHost = "127.0.0.1";
    proxy.ProxyPort = proxy_->port;
    proxy.ProxyUser = "wallet";
    proxy.ProxyPasswd = proxyPassword;
    client.SetProxy(proxy);
    const std::string form = LRFormBody(LRBalanceRequest(account));
    return client.Post(sandbox_->LibertyReserveUrl() + kLRBalancePath, FormBodyFromText(form));
  }

  static std::unique_ptr<SandboxProcess> sandbox_;
  static std::unique_ptr<NetTinyproxy> proxy_;
};
std::unique_ptr<SandboxProcess> LRBalanceThroughProxy::sandbox_;
std::unique_ptr<NetTinyproxy> LRBalanceThroughProxy::proxy_;

TEST_F(LRBalanceThroughProxy, RightPasswordBringsTheBalances) {
  ASSERT_TRUE(sandbox_->ClearRequests());
  const AccountRecord dave = Dave();
  const HttpResult r = Fetch(dave, "proxy-pass");
  ASSERT_TRUE(r.Succeeded) << r.Message;
  const BalanceOutcome outcome = LRBalanceOutcome(dave, r.Body, MakeNumberFormat(UsEnglishFormatSettings()));
  EXPECT_TRUE(outcome.store);
  EXPECT_EQ(outcome.newStatus, 0);
  EXPECT_EQ(outcome.account.LRusd, Currency(1500) * 10000);
  EXPECT_EQ(outcome.account.LReur, Currency(250) * 10000);
  std::string requests;
  ASSERT_TRUE(sandbox_->Requests(&requests));
  EXPECT_NE(requests.find("/xml/balance.aspx"), std::string::npos);
}

TEST_F(LRBalanceThroughProxy, WrongPasswordIsAConnectionProblemAndReachesNoServer) {
  ASSERT_TRUE(sandbox_->ClearRequests());
  const AccountRecord dave = Dave();
  const HttpResult r = Fetch(dave, "not-the-password");
  ASSERT_FALSE(r.Succeeded);
  EXPECT_EQ(r.Status, 401);
  EXPECT_EQ(r.Message, "HTTP/1.0 401 Unauthorized");
  const BalanceOutcome outcome = LRTransportFailure(dave, r.Message);
  EXPECT_FALSE(outcome.store);
  ASSERT_TRUE(outcome.notice.has_value());
  EXPECT_EQ(outcome.notice->title, kConnectionProblemTitle);
  EXPECT_NE(outcome.notice->message.find("401 Unauthorized"), std::string::npos);
  std::string requests;
  ASSERT_TRUE(sandbox_->Requests(&requests));
  EXPECT_EQ(requests.find("/xml/balance.aspx"), std::string::npos) << requests;
}

}  // namespace
