#pragma once
// Test peers for the network tests, each stopped when it goes out of scope (also when a test
// fails): a child process with piped stdin and stdout, the Python HTTP/HTTPS test peer
// (tests/e2e/peers/net_http_peer.py) and a tinyproxy with basic authentication.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/net_test_util.h"

namespace nummora::test {

// A port on 127.0.0.1 that was free a moment ago.
int NetFreePort();

class NetProcess {
 public:
  // Starts argv[0] (looked up in PATH) in its own process group; stdin and stdout are pipes,
  // stderr goes to `stderrFile` (empty: inherited). The child is killed if the test dies.
  explicit NetProcess(const std::vector<std::string>& argv, const std::string& stderrFile = "");
  ~NetProcess();
  NetProcess(const NetProcess&) = delete;
  NetProcess& operator=(const NetProcess&) = delete;

  // One line of the child's stdout without its line end; nothing on time-out or end of output.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
  bool Running();
  // Closes stdin, sends SIGTERM to the group, waits up to 3 s, then SIGKILL. Idempotent.
  void Stop();

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string buffered_;
};

class NetHttpPeer {
 public:
  // Throws std::runtime_error when the peer is not ready within 30 s.
  NetHttpPeer();
  std::string HttpUrl(const std::string& path) const;
  std::string HttpsUrl(const std::string& path) const;
  int httpPort = 0;
  int httpsPort = 0;
  std::string caFile;       // the CA that signed the HTTPS certificate
  std::string otherCaFile;  // an unrelated CA

 private:
  NetTempDir dir_;
  std::optional<NetProcess> process_;
};

class NetTinyproxy {
 public:
  // Starts tinyproxy on a free port with "BasicAuth user password"; throws when it does not
  // listen within a few attempts.
  NetTinyproxy(const std::string& user, const std::string& password);
  int port = 0;

 private:
  NetTempDir dir_;
  std::optional<NetProcess> process_;
};

}  // namespace nummora::test
