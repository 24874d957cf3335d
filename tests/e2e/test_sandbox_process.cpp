// The sandbox helper of the end-to-end tests: it starts the sandbox on free ports, learns its
// addresses, sets faults through the control endpoint and leaves nothing behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "net/server_config.h"
#include "support/sandbox_process.h"

namespace nummora::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(SandboxProcess, StartsWritesServersIniAndStops) {
  SandboxProcess sandbox;
  std::string error;
  ASSERT_TRUE(sandbox.Start(&error)) << error;
  const pid_t pid = sandbox.Pid();
  const std::string state = sandbox.StateDir();

  ASSERT_TRUE(std::filesystem::exists(sandbox.ServersIni()));
  std::string ini = ReadFile(sandbox.ServersIni());
  EXPECT_NE(ini.find("[Servers]"), std::string::npos);
  EXPECT_NE(ini.find("EgoldSecure=" + sandbox.EgoldSecureUrl() + "\n"), std::string::npos);
  EXPECT_NE(ini.find("EgoldPlain=" + sandbox.EgoldPlainUrl() + "\n"), std::string::npos);
  EXPECT_NE(ini.find("LibertyReserve=" + sandbox.LibertyReserveUrl() + "\n"), std::string::npos);
  EXPECT_NE(ini.find("Vendor=" + sandbox.VendorUrl() + "\n"), std::string::npos);
  EXPECT_NE(ini.find("CAFile=" + sandbox.CaFile() + "\n"), std::string::npos);
  EXPECT_EQ(sandbox.EgoldSecureUrl().rfind("https://127.0.0.1:", 0), 0u);
  EXPECT_EQ(sandbox.VendorUrl().rfind("http://127.0.0.1:", 0), 0u);
  EXPECT_TRUE(std::filesystem::exists(sandbox.CaFile()));

  // The program's own configuration reader takes the sandbox's servers.ini as it is.
  ASSERT_TRUE(sandbox.ExportServersIni());
  ServerConfig config = LoadServerConfig();
  EXPECT_TRUE(config.Problems.empty()) << config.Problems.front();
  EXPECT_EQ(config.EgoldSecure, sandbox.EgoldSecureUrl());
  EXPECT_EQ(config.EgoldPlain, sandbox.EgoldPlainUrl());
  EXPECT_EQ(config.LibertyReserve, sandbox.LibertyReserveUrl());
  EXPECT_EQ(config.Vendor, sandbox.VendorUrl());
  EXPECT_EQ(config.CAFile, sandbox.CaFile());
  unsetenv("NUMMORA_SERVERS_INI");

  // A fault set through the control endpoint is listed; bad ones are refused.
  SandboxFault fault;
  fault.kind = "hang";
  fault.path = "/xml/balance.aspx";
  fault.account = "U1000001";
  fault.seconds = 2.5;
  fault.count = 1;
  std::string reply;
  ASSERT_TRUE(sandbox.AddFault(fault, &reply)) << reply;
  ASSERT_TRUE(sandbox.Control("GET", "/control/faults", "", &reply));
  EXPECT_NE(reply.find("\"seconds\": 2.5"), std::string::npos) << reply;
  EXPECT_NE(reply.find("\"account\": \"U1000001\""), std::string::npos) << reply;
  long status = 0;
  EXPECT_FALSE(sandbox.Control("POST", "/control/fault", "{\"kind\":\"explode\"}", &reply, &status));
  EXPECT_EQ(status, 400);
  EXPECT_TRUE(sandbox.ClearFaults());
  ASSERT_TRUE(sandbox.Control("GET", "/control/faults", "", &reply));
  EXPECT_EQ(reply, "[]");
  ASSERT_TRUE(sandbox.Ledger(&reply));
  EXPECT_NE(reply.find("\"U1000001\""), std::string::npos);
  EXPECT_EQ(reply.find("davesecret"), std::string::npos);  // no secrets in the summary

  EXPECT_TRUE(sandbox.Stop());  // SIGTERM answered with a clean exit
  EXPECT_FALSE(sandbox.Running());
  EXPECT_NE(kill(pid, 0), 0);  // the process is gone
  EXPECT_FALSE(std::filesystem::exists(state));
  EXPECT_FALSE(sandbox.Stop());  // a second stop does nothing
}

TEST(SandboxProcess, DestructorStopsARunningSandbox) {
  pid_t pid = -1;
  std::string state;
  {
    SandboxProcess sandbox;
    std::string error;
    ASSERT_TRUE(sandbox.Start(&error)) << error;
    pid = sandbox.Pid();
    state = sandbox.StateDir();
    ASSERT_EQ(kill(pid, 0), 0);
  }
  EXPECT_NE(kill(pid, 0), 0);
  EXPECT_FALSE(std::filesystem::exists(state));
}

TEST(SandboxProcess, ReportsAStartThatFails) {
  SandboxOptions options;
  options.extraArgs = {"--fault", "kind=explode"};  // refused by the sandbox: exit status 2
  SandboxProcess sandbox(options);
  std::string error;
  EXPECT_FALSE(sandbox.Start(&error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(sandbox.Running());

  SandboxOptions missing;
  missing.script = "/nonexistent/nummora_sandbox.py";
  missing.readyTimeout = std::chrono::milliseconds(5000);
  SandboxProcess nothing(missing);
  EXPECT_FALSE(nothing.Start(&error));
  EXPECT_FALSE(nothing.Running());
}

}  // namespace
}  // namespace nummora::test
