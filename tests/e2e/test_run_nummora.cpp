// Runs scripts/run-nummora with a stand-in for the program (NUMMORA_PROGRAM): the sandbox must
// serve while the program runs, the demo profile must be made once, and the sandbox must be
// stopped when the program ends or the script is told to stop.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/format_settings.h"
#include "platform/settings_store.h"
#include "profile/document.h"
#include "profile/login_flow.h"

extern char** environ;

namespace nummora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The value after "key=" on a line of `text`; empty when there is none.
std::string Field(const std::string& text, const std::string& key) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  return {};
}

bool PortAccepts(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

// The stand-in program: records its arguments and environment, asks the sandbox's vendor
// server whether it serves, then exits with FAKE_EXIT (or sleeps when FAKE_SLEEP is set).
const char* const kFakeProgram = R"(#!/bin/sh
{
  echo "args=$*"
  echo "home=$NUMMORA_HOME"
  echo "ini=$NUMMORA_SERVERS_INI"
} > "$FAKE_OUT/record"
vendor=$(sed -n 's/^Vendor=//p' "$NUMMORA_SERVERS_INI")
python3 -c 'import sys, urllib.request; print(urllib.request.urlopen(sys.argv[1] + "/control/ping", timeout=10).read().decode())' "$vendor" > "$FAKE_OUT/ping" 2>&1
if [ -n "${FAKE_SLEEP:-}" ]; then
  echo $$ > "$FAKE_OUT/sleeping"
  exec sleep "$FAKE_SLEEP"
fi
exit "${FAKE_EXIT:-0}"
)";

struct ScriptResult {
  int code = -1;
  std::string err;
};

class RunScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "nummora-run-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    fake_ = dir_ / "fake-nummora";
    std::ofstream(fake_) << kFakeProgram;
    fs::permissions(fake_, fs::perms::owner_all);
    run_home_ = dir_ / "run";
    ASSERT_TRUE(fs::exists(std::string(NUMMORA_BUILD_DIR) + "/src/nummora-cli"));
  }
  void TearDown() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Starts the script in the background with the display variables replaced by `extra`.
  void Start(const std::map<std::string, std::string>& extra, const std::vector<std::string>& args = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      std::string var(*e);
      std::string name = var.substr(0, var.find('='));
      if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "QT_QPA_PLATFORM" ||
          name == "NUMMORA_HOME" || name.rfind("NUMMORA_", 0) == 0)
        continue;
      env.push_back(var);
    }
    env.push_back("NUMMORA_PROGRAM=" + fake_.string());
    env.push_back("NUMMORA_RUN_HOME=" + run_home_.string());
    env.push_back("FAKE_OUT=" + dir_.string());
    for (const auto& [k, v] : extra) env.push_back(k + "=" + v);
    const std::string script = std::string(NUMMORA_SOURCE_DIR) + "/scripts/run-nummora";
    std::vector<std::string> argv_s{"/bin/bash", script, NUMMORA_BUILD_DIR};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    const std::string err_path = (dir_ / ".stderr").string();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setsid();
      int null_fd = ::open("/dev/null", O_RDWR);
      int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(null_fd, 0);
      ::dup2(null_fd, 1);
      ::dup2(err, 2);
      std::vector<char*> argv, envp;
      for (auto& a : argv_s) argv.push_back(a.data());
      argv.push_back(nullptr);
      for (auto& e : env) envp.push_back(e.data());
      envp.push_back(nullptr);
      ::execve("/bin/bash", argv.data(), envp.data());
      ::_exit(127);
    }
  }

  // Waits for the script to end (at most `limit`); a script still running is a failure.
  ScriptResult Finish(std::chrono::seconds limit = 120s) {
    ScriptResult r;
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > end) {
        ADD_FAILURE() << "run-nummora did not end";
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(50ms);
    }
    pid_ = -1;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.err = ReadAll(dir_ / ".stderr");
    return r;
  }

  // The vendor port the sandbox wrote into servers.ini.
  int VendorPort() const {
    const std::string vendor = Field(ReadAll(run_home_ / "sandbox" / "servers.ini"), "Vendor");
    const size_t colon = vendor.rfind(':');
    return colon == std::string::npos ? -1 : std::atoi(vendor.c_str() + colon + 1);
  }

  fs::path dir_, fake_, run_home_;
  pid_t pid_ = -1;
};

TEST_F(RunScriptTest, SandboxServesWhileTheProgramRunsAndStopsAfterIt) {
  Start({{"QT_QPA_PLATFORM", "offscreen"}, {"FAKE_EXIT", "3"}}, {"nmr://pay?to=1001002"});
  ScriptResult r = Finish();
  EXPECT_EQ(r.code, 3) << "the program's exit status is the script's\n" << r.err;

  const std::string record = ReadAll(dir_ / "record");
  EXPECT_EQ(Field(record, "args"), "nmr://pay?to=1001002");
  EXPECT_EQ(Field(record, "home"), (run_home_ / "home").string());
  EXPECT_EQ(Field(record, "ini"), (run_home_ / "sandbox" / "servers.ini").string());
  EXPECT_NE(ReadAll(dir_ / "ping").find("\"ok\": true"), std::string::npos) << ReadAll(dir_ / "ping");

  const std::string log = ReadAll(run_home_ / "sandbox.log");
  EXPECT_NE(log.find("READY "), std::string::npos) << log;
  EXPECT_NE(log.find("STOPPED"), std::string::npos) << "the sandbox was not stopped cleanly\n" << log;
  const int port = VendorPort();
  ASSERT_GT(port, 0);
  EXPECT_FALSE(PortAccepts(port)) << "the sandbox still serves";
  EXPECT_EQ(r.err.find("davesecret"), std::string::npos);
  EXPECT_EQ(r.err.find("alice gold"), std::string::npos);

  // The demo profile opens with password "demo" and refreshes every account at start-up.
  ::setenv("NUMMORA_HOME", (run_home_ / "home").c_str(), 1);
  {
    SettingsStore store;
    ProfileList list = ReadProfileList(store);
    ASSERT_EQ(list.names, std::vector<std::string>{"demo"});
    LoginResult login = AttemptLogin(store, 0, "demo", "demo", UsEnglishFormatSettings());
    ASSERT_EQ(login.outcome, LoginOutcome::Success) << login.message;
    ProfileModel model;
    ProfileLoadResult loaded = LoadProfile(model, login.text, UsEnglishFormatSettings());
    EXPECT_EQ(model.AccountCount(), 6);
    EXPECT_EQ(loaded.refresh_positions, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(model.Account(0).ID, "1001001");
    EXPECT_EQ(model.Account(3).APIname, "daveapi");
  }
  ::unsetenv("NUMMORA_HOME");

  // A second run keeps the profile as it is.
  const std::string profile = ReadAll(run_home_ / "home" / "data" / "demo.nmr");
  Start({{"QT_QPA_PLATFORM", "offscreen"}});
  ScriptResult again = Finish();
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_EQ(ReadAll(run_home_ / "home" / "data" / "demo.nmr"), profile);
  EXPECT_NE(ReadAll(run_home_ / "sandbox.log").find("STOPPED"), std::string::npos);
}

TEST_F(RunScriptTest, TerminatingTheScriptStopsProgramAndSandbox) {
  Start({{"QT_QPA_PLATFORM", "offscreen"}, {"FAKE_SLEEP", "300"}});
  const auto end = std::chrono::steady_clock::now() + 90s;
  while (!fs::exists(dir_ / "sleeping") && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(fs::exists(dir_ / "sleeping")) << ReadAll(dir_ / ".stderr");
  const int port = VendorPort();
  ASSERT_GT(port, 0);
  EXPECT_TRUE(PortAccepts(port));

  const pid_t program = std::atoi(ReadAll(dir_ / "sleeping").c_str());
  ASSERT_GT(program, 0);

  ::kill(pid_, SIGTERM);
  ScriptResult r = Finish(30s);
  EXPECT_NE(r.code, 0);
  // The program is ended too (it may take a moment to be reaped by its new parent).
  const auto gone_by = std::chrono::steady_clock::now() + 10s;
  while (::kill(program, 0) == 0 && std::chrono::steady_clock::now() < gone_by)
    std::this_thread::sleep_for(50ms);
  EXPECT_NE(::kill(program, 0), 0) << "the program still runs";
  if (::kill(program, 0) == 0) ::kill(program, SIGKILL);
  EXPECT_NE(ReadAll(run_home_ / "sandbox.log").find("STOPPED"), std::string::npos);
  EXPECT_FALSE(PortAccepts(port)) << "the sandbox still serves";
}

TEST_F(RunScriptTest, WithoutDisplayItSaysSoAndStartsNothing) {
  Start({});
  ScriptResult r = Finish(30s);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("xvfb-run make run"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(run_home_ / "sandbox.log"));
  EXPECT_FALSE(fs::exists(dir_ / "record"));
}

}  // namespace
}  // namespace nummora
