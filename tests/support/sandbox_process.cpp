#include "support/sandbox_process.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#ifndef NUMMORA_SOURCE_DIR
#define NUMMORA_SOURCE_DIR "."
#endif

namespace nummora::test {
namespace {

std::string TempRoot() {
  const char* tmp = std::getenv("TMPDIR");
  return (tmp && *tmp) ? tmp : "/tmp";
}

size_t AppendToString(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

std::string NumberText(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

}  // namespace

std::string JsonQuote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c >= 0x80) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);  // ISO-8859-1 byte as a code point
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

SandboxProcess::SandboxProcess(SandboxOptions options) : options_(std::move(options)) {}

SandboxProcess::~SandboxProcess() {
  Stop();
}

bool SandboxProcess::Start(std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    Stop();
    return false;
  };
  if (pid_ > 0) return fail("the sandbox is already running");

  if (options_.stateDir.empty()) {
    std::string pattern = TempRoot() + "/nummora-sandbox-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) return fail(std::string("mkdtemp: ") + std::strerror(errno));
    stateDir_ = buf.data();
    ownsStateDir_ = true;
  } else {
    stateDir_ = options_.stateDir;
    ownsStateDir_ = false;
  }

  std::string script = options_.script.empty()
                           ? std::string(NUMMORA_SOURCE_DIR) + "/sandbox/nummora_sandbox.py"
                           : options_.script;
  std::vector<std::string> args = {options_.python, script, "--state", stateDir_, "--port-base", "0"};
  if (options_.demoAccounts > 0) {
    args.push_back("--demo-accounts");
    args.push_back(std::to_string(options_.demoAccounts));
  }
  args.insert(args.end(), options_.extraArgs.begin(), options_.extraArgs.end());
  // Everything the child needs is prepared before fork: after it only async-signal-safe
  // calls are made.
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return fail(std::string("pipe: ") + std::strerror(errno));
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return fail(std::string("fork: ") + std::strerror(errno));
  }
  if (pid == 0) {
    // The sandbox ends with the thread that started it, even if the test process crashes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    setpgid(0, 0);                // a Ctrl+C at the terminal reaches the test, which then stops the sandbox
    dup2(fds[1], STDOUT_FILENO);  // dup2 clears close-on-exec on the copy
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  pid_ = pid;
  stdoutFd_ = fds[0];
  std::string why;
  if (!ReadReadyLine(&why)) return fail(why);
  return true;
}

bool SandboxProcess::ReadReadyLine(std::string* error) {
  auto deadline = std::chrono::steady_clock::now() + options_.readyTimeout;
  std::string buffer;
  for (;;) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      *error = "no READY line from the sandbox within the time-out";
      return false;
    }
    pollfd p{stdoutFd_, POLLIN, 0};
    int n = poll(&p, 1, static_cast<int>(left.count()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) continue;
    char chunk[512];
    ssize_t got = read(stdoutFd_, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      *error = "the sandbox ended before it was ready (see its messages above)";
      return false;
    }
    buffer.append(chunk, static_cast<size_t>(got));
    size_t eol;
    while ((eol = buffer.find('\n')) != std::string::npos) {
      std::string line = buffer.substr(0, eol);
      buffer.erase(0, eol + 1);
      if (line.rfind("READY ", 0) == 0) {
        ParseReadyLine(line);
        if (egoldSecure_.empty() || libertyReserve_.empty() || vendor_.empty() || egoldPlain_.empty() ||
            serversIni_.empty()) {
          *error = "malformed READY line: " + line;
          return false;
        }
        return true;
      }
    }
  }
}

void SandboxProcess::ParseReadyLine(const std::string& line) {
  std::istringstream in(line.substr(6));
  std::string item;
  while (in >> item) {
    size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    std::string key = item.substr(0, eq), value = item.substr(eq + 1);
    if (key == "egold_secure")
      egoldSecure_ = value;
    else if (key == "egold_plain")
      egoldPlain_ = value;
    else if (key == "liberty_reserve")
      libertyReserve_ = value;
    else if (key == "vendor")
      vendor_ = value;
    else if (key == "servers_ini")
      serversIni_ = value;
    else if (key == "ca_file")
      caFile_ = value;
  }
}

bool SandboxProcess::Stop() {
  bool clean = false;
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + options_.stopGrace;
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (done == 0) {
      kill(pid_, SIGKILL);
      while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    } else if (done == pid_) {
      clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    pid_ = -1;
  }
  if (stdoutFd_ >= 0) {
    close(stdoutFd_);
    stdoutFd_ = -1;
  }
  RemoveStateDir();
  return clean;
}

void SandboxProcess::RemoveStateDir() {
  if (ownsStateDir_ && !stateDir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(stateDir_, ignored);
  }
  ownsStateDir_ = false;
}

bool SandboxProcess::ExportServersIni() const {
  return !serversIni_.empty() && setenv("NUMMORA_SERVERS_INI", serversIni_.c_str(), 1) == 0;
}

bool SandboxProcess::Control(const std::string& method, const std::string& path, const std::string& body,
                             std::string* reply, long* status) {
  if (vendor_.empty()) return false;
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  std::string url = vendor_ + path;
  std::string answer;
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToString);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 15L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  if (method == "POST") {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  } else if (method != "GET") {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  }
  CURLcode rc = curl_easy_perform(curl);
  long code = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  if (status) *status = code;
  if (reply) *reply = answer;
  return rc == CURLE_OK && code == 200;
}

bool SandboxProcess::AddFault(const SandboxFault& fault, std::string* reply) {
  std::string json = "{\"kind\":" + JsonQuote(fault.kind);
  auto text = [&](const char* key, const std::string& value) {
    if (!value.empty()) json += std::string(",\"") + key + "\":" + JsonQuote(value);
  };
  text("path", fault.path);
  text("account", fault.account);
  text("server", fault.server);
  text("message", fault.message);
  if (fault.count > 0) json += ",\"count\":" + std::to_string(fault.count);
  if (fault.seconds > 0) json += ",\"seconds\":" + NumberText(fault.seconds);
  json += "}";
  return AddFaultJson(json, reply);
}

bool SandboxProcess::AddFaultJson(const std::string& json, std::string* reply) {
  return Control("POST", "/control/fault", json, reply);
}

bool SandboxProcess::ClearFaults() {
  return Control("DELETE", "/control/faults", "", nullptr);
}

bool SandboxProcess::ClearRequests() {
  return Control("DELETE", "/control/requests", "", nullptr);
}

bool SandboxProcess::Requests(std::string* json) {
  return Control("GET", "/control/requests", "", json);
}

bool SandboxProcess::Ledger(std::string* json) {
  return Control("GET", "/control/ledger", "", json);
}

}  // namespace nummora::test
