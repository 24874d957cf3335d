#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "net/server_config.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

EnvLookup FakeEnv(std::map<std::string, std::string> vars) {
  return [vars](const char* name) -> std::optional<std::string> {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

TEST(ServerConfigTest, DefaultsAreTheSandboxLoopbackPorts) {
  ServerConfig c = ServerConfigFrom(IniFile(), FakeEnv({}), "/cfg");
  EXPECT_EQ(c.EgoldSecure, "https://127.0.0.1:18443");
  EXPECT_EQ(c.EgoldPlain, "http://127.0.0.1:18080");
  EXPECT_EQ(c.LibertyReserve, "https://127.0.0.1:18444");
  EXPECT_EQ(c.Vendor, "http://127.0.0.1:18081");
  EXPECT_EQ(c.CAFile, "");
  EXPECT_TRUE(c.Problems.empty());
}

TEST(ServerConfigTest, IniValuesThenEnvironmentOverrides) {
  test::NetTempDir dir;
  { std::ofstream(dir / "ca.pem") << "x"; }
  IniFile ini = IniFile::Parse(
      "[servers]\n"
      "egoldsecure=https://egold.example:8443/\n"
      "EgoldPlain=HTTP://egold.example\n"
      "LibertyReserve=ftp://lr.example\n"  // not http(s): ignored
      "Vendor=\n"                          // empty: default
      "CAFile=ca.pem\n");
  ServerConfig c = ServerConfigFrom(
      ini, FakeEnv({{"NUMMORA_EGOLD_PLAIN", "http://127.0.0.2:9"}, {"NUMMORA_VENDOR", ""}}), dir.path());
  EXPECT_EQ(c.EgoldSecure, "https://egold.example:8443");
  EXPECT_EQ(c.EgoldPlain, "http://127.0.0.2:9");
  EXPECT_EQ(c.LibertyReserve, "https://127.0.0.1:18444");
  EXPECT_EQ(c.Vendor, "http://127.0.0.1:18081");
  EXPECT_EQ(c.CAFile, (dir / "ca.pem").string());
  ASSERT_EQ(c.Problems.size(), 1u);
  EXPECT_NE(c.Problems[0].find("LibertyReserve"), std::string::npos);

  ServerConfig e = ServerConfigFrom(
      ini, FakeEnv({{"NUMMORA_CA_FILE", "/nowhere/ca.pem"}, {"NUMMORA_LIBERTY_RESERVE", "https://lr.test"}}),
      dir.path());
  EXPECT_EQ(e.CAFile, "/nowhere/ca.pem");
  EXPECT_EQ(e.LibertyReserve, "https://lr.test");
  ASSERT_EQ(e.Problems.size(), 1u);
  EXPECT_EQ(e.Problems[0], "CA file not found: /nowhere/ca.pem");
}

class BadAddressTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BadAddressTest, IsIgnoredAndReported) {
  ServerConfig c = ServerConfigFrom(IniFile(), FakeEnv({{"NUMMORA_EGOLD_SECURE", GetParam()}}), "/");
  EXPECT_EQ(c.EgoldSecure, "https://127.0.0.1:18443");
  EXPECT_EQ(c.Problems.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Rows, BadAddressTest,
                         ::testing::Values("egold.example", "https://", "https:///path",
                                           "https://user:pw@evil.example", "https://a b", "https://host?x=1",
                                           "javascript:alert(1)"));

// The servers that receive pass phrases and security tokens take https:// only; plain HTTP on
// this machine only when a test set-up asks for it.
struct SchemeRow {
  const char* name;
  const char* variable;
  std::string value;
  bool plainLoopback;
  bool taken;
};

class SecretServerScheme : public ::testing::TestWithParam<SchemeRow> {};

TEST_P(SecretServerScheme, PlainHttpIsRefusedWithAMessage) {
  const SchemeRow& row = GetParam();
  std::map<std::string, std::string> vars{{row.variable, row.value}};
  if (row.plainLoopback) vars["NUMMORA_PLAIN_HTTP_ON_LOOPBACK"] = "1";
  const ServerConfig c = ServerConfigFrom(IniFile(), FakeEnv(vars), "/");
  const ServerConfig d = DefaultServerConfig();
  const std::string got = std::string(row.variable) == "NUMMORA_EGOLD_SECURE"      ? c.EgoldSecure
                          : std::string(row.variable) == "NUMMORA_LIBERTY_RESERVE" ? c.LibertyReserve
                          : std::string(row.variable) == "NUMMORA_EGOLD_PLAIN"     ? c.EgoldPlain
                                                                                   : c.Vendor;
  if (row.taken) {
    EXPECT_EQ(got, row.value);
    EXPECT_TRUE(c.Problems.empty());
  } else {
    EXPECT_TRUE(got == d.EgoldSecure || got == d.LibertyReserve) << got;
    ASSERT_EQ(c.Problems.size(), 1u);
    EXPECT_EQ(c.Problems[0],
              std::string(row.variable) +
                  " is refused: a plain http:// address would send pass phrases in clear; give an "
                  "https:// address. Using " +
                  got);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SecretServerScheme,
    ::testing::Values(
        SchemeRow{"EgoldSecurePlain", "NUMMORA_EGOLD_SECURE", "http://egold.example", false, false},
        SchemeRow{"UpperCaseScheme", "NUMMORA_EGOLD_SECURE", "HTTP://egold.example:80", false, false},
        SchemeRow{"LibertyReservePlain", "NUMMORA_LIBERTY_RESERVE", "http://lr.example", false, false},
        SchemeRow{"LoopbackWithoutOptIn", "NUMMORA_LIBERTY_RESERVE", "http://127.0.0.1:9", false, false},
        SchemeRow{"LoopbackWithOptIn", "NUMMORA_LIBERTY_RESERVE", "http://127.0.0.1:9", true, true},
        SchemeRow{"LocalhostWithOptIn", "NUMMORA_EGOLD_SECURE", "http://localhost:9", true, true},
        SchemeRow{"Ipv6LoopbackWithOptIn", "NUMMORA_EGOLD_SECURE", "http://[::1]:9", true, true},
        SchemeRow{"OtherHostWithOptIn", "NUMMORA_EGOLD_SECURE", "http://egold.example", true, false},
        SchemeRow{"LoopbackLookalike", "NUMMORA_EGOLD_SECURE", "http://127.0.0.1.evil.example", true, false},
        SchemeRow{"Https", "NUMMORA_EGOLD_SECURE", "https://egold.example", false, true},
        SchemeRow{"RatesPageStaysPlain", "NUMMORA_EGOLD_PLAIN", "http://egold.example", false, true},
        SchemeRow{"VendorStaysPlain", "NUMMORA_VENDOR", "http://vendor.example", false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ServerConfigTest, LoadReadsTheConfigurationFolderOrTheNamedFile) {
  test::NetTempDir dir;
  test::NetEnvGuard home("NUMMORA_HOME", dir.path().string());
  test::NetEnvGuard named("NUMMORA_SERVERS_INI", std::nullopt);
  test::NetEnvGuard vendor("NUMMORA_VENDOR", std::nullopt);
  std::filesystem::create_directories(dir / "config");
  { std::ofstream(dir / "config" / "servers.ini") << "[Servers]\r\nVendor=http://vendor.test:81\r\n"; }
  EXPECT_EQ(LoadServerConfig().Vendor, "http://vendor.test:81");
  { std::ofstream(dir / "other.ini") << "[Servers]\nVendor=http://other.test\n"; }
  test::NetEnvGuard file("NUMMORA_SERVERS_INI", (dir / "other.ini").string());
  EXPECT_EQ(LoadServerConfig().Vendor, "http://other.test");
}

}  // namespace
}  // namespace nummora
