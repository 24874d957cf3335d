#include "support/net_peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace nummora::test {
namespace {

bool CanConnect(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

std::string FieldOf(const std::string& line, const std::string& name) {
  std::istringstream words(line);
  std::string word;
  while (words >> word)
    if (word.rfind(name + "=", 0) == 0) return word.substr(name.size() + 1);
  return std::string();
}

}  // namespace

int NetFreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    throw std::runtime_error("bind failed");
  }
  ::close(fd);
  return ntohs(addr.sin_port);
}

NetProcess::NetProcess(const std::vector<std::string>& argv, const std::string& stderrFile) {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    if (!stderrFile.empty()) {
      int err = ::open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (err >= 0) ::dup2(err, 2);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::setpgid(pid_, pid_);
  ::close(in[0]);
  ::close(out[1]);
  in_ = in[1];
  out_ = out[0];
}

NetProcess::~NetProcess() {
  Stop();
}

std::optional<std::string> NetProcess::ReadLine(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    size_t nl = buffered_.find('\n');
    if (nl != std::string::npos) {
      std::string line = buffered_.substr(0, nl);
      buffered_.erase(0, nl + 1);
      return line;
    }
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || out_ < 0) return std::nullopt;
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[4096];
    ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n <= 0) return std::nullopt;
    buffered_.append(chunk, static_cast<size_t>(n));
  }
}

bool NetProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

void NetProcess::Stop() {
  if (in_ >= 0) ::close(in_);
  in_ = -1;
  if (pid_ > 0) {
    ::kill(-pid_, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(-pid_, SIGKILL);  // anything left in the group
    pid_ = -1;
  }
  if (out_ >= 0) ::close(out_);
  out_ = -1;
}

NetHttpPeer::NetHttpPeer() {
  std::string script = std::string(NUMMORA_SOURCE_DIR) + "/tests/e2e/peers/net_http_peer.py";
  process_.emplace(std::vector<std::string>{"python3", script, "--dir", dir_.path().string()},
                   (dir_ / "peer.log").string());
  auto line = process_->ReadLine(std::chrono::seconds(30));
  if (!line || line->rfind("READY ", 0) != 0)
    throw std::runtime_error("the HTTP test peer did not start: " + line.value_or("(no output)"));
  httpPort = std::stoi(FieldOf(*line, "http"));
  httpsPort = std::stoi(FieldOf(*line, "https"));
  caFile = FieldOf(*line, "ca");
  otherCaFile = FieldOf(*line, "other_ca");
}

std::string NetHttpPeer::HttpUrl(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(httpPort) + path;
}

std::string NetHttpPeer::HttpsUrl(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(httpsPort) + path;
}

NetTinyproxy::NetTinyproxy(const std::string& user, const std::string& password) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    port = NetFreePort();
    std::filesystem::path conf = dir_ / "tinyproxy.conf";
    {
      std::ofstream out(conf);
      out << "Port " << port << "\n"
          << "Listen 127.0.0.1\n"
          << "Timeout 30\n"
          << "MaxClients 20\n"
          << "LogLevel Error\n"
          << "Allow 127.0.0.1\n"
          << "BasicAuth " << user << " " << password << "\n";
    }
    process_.emplace(std::vector<std::string>{"tinyproxy", "-d", "-c", conf.string()},
                     (dir_ / "tinyproxy.log").string());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline && process_->Running()) {
      if (CanConnect(port)) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    process_.reset();  // port taken or start failed: try another port
  }
  throw std::runtime_error("tinyproxy did not start");
}

}  // namespace nummora::test
