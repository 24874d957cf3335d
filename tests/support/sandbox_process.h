#pragma once
// Runs the sandbox (sandbox/nummora_sandbox.py) as a child process for end-to-end tests: on
// free ports, in a fresh temporary state folder, stopped again when the object goes away, so a
// failing test never leaves it running. Plain C++ and POSIX; faults and the request record are
// reached through the sandbox's control endpoints on the vendor port (libcurl).
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace nummora::test {

struct SandboxOptions {
  // Generated accounts of each payment system besides the demo accounts (--demo-accounts).
  int demoAccounts = 0;
  // Further command-line arguments, for example {"--fault", "kind=status500"}.
  std::vector<std::string> extraArgs;
  // How long to wait for the READY line, and for the process to end after SIGTERM before it
  // gets SIGKILL.
  std::chrono::milliseconds readyTimeout{30000};
  std::chrono::milliseconds stopGrace{5000};
  // The Python interpreter (looked up in PATH) and the script; an empty script means the
  // sandbox of the source tree (NUMMORA_SOURCE_DIR).
  std::string python = "python3";
  std::string script;
  // A state folder to use instead of a fresh temporary one; it is then not removed.
  std::string stateDir;
};

// One sandbox fault, as accepted by POST /control/fault. Empty texts and non-positive numbers
// are left out of the request.
struct SandboxFault {
  std::string kind;     // login, lockout, error, lr_error, redirect, status500, hang, ...
  std::string path;     // "/xml/balance.aspx", or a prefix ending in "*"
  std::string account;  // e-gold account number or Liberty Reserve account
  std::string server;   // egold, egold_plain, liberty_reserve or vendor
  int count = 0;        // number of requests it applies to; 0: until cleared
  double seconds = 0;   // for "hang"
  std::string message;  // text of an e-gold ERROR page
};

class SandboxProcess {
 public:
  explicit SandboxProcess(SandboxOptions options = {});
  ~SandboxProcess();
  SandboxProcess(const SandboxProcess&) = delete;
  SandboxProcess& operator=(const SandboxProcess&) = delete;

  // Starts the sandbox and waits for its READY line. On failure returns false with the reason
  // in `error` (if given) and leaves nothing running.
  bool Start(std::string* error = nullptr);
  // SIGTERM, then SIGKILL after the grace period; removes a temporary state folder. Returns
  // true when the sandbox ended by itself with exit status 0. Safe to call more than once.
  bool Stop();
  bool Running() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  const std::string& EgoldSecureUrl() const { return egoldSecure_; }
  const std::string& EgoldPlainUrl() const { return egoldPlain_; }
  const std::string& LibertyReserveUrl() const { return libertyReserve_; }
  const std::string& VendorUrl() const { return vendor_; }
  const std::string& ServersIni() const { return serversIni_; }
  const std::string& CaFile() const { return caFile_; }
  const std::string& StateDir() const { return stateDir_; }

  // Points the program's server configuration at this sandbox: sets NUMMORA_SERVERS_INI in
  // this process's environment (inherited by programs it starts) to ServersIni().
  bool ExportServersIni() const;

  // Control endpoints. Each returns true when the sandbox answered 200; `reply` gets the
  // answer body (JSON).
  bool AddFault(const SandboxFault& fault, std::string* reply = nullptr);
  bool AddFaultJson(const std::string& json, std::string* reply = nullptr);
  bool ClearFaults();
  bool ClearRequests();
  bool Requests(std::string* json);  // every request recorded since the last ClearRequests
  bool Ledger(std::string* json);    // balances of every account (no secrets)
  bool Control(const std::string& method, const std::string& path, const std::string& body,
               std::string* reply, long* status = nullptr);

 private:
  bool ReadReadyLine(std::string* error);
  void ParseReadyLine(const std::string& line);
  void RemoveStateDir();

  SandboxOptions options_;
  pid_t pid_ = -1;
  int stdoutFd_ = -1;
  bool ownsStateDir_ = false;
  std::string stateDir_;
  std::string egoldSecure_, egoldPlain_, libertyReserve_, vendor_, serversIni_, caFile_;
};

// A JSON string literal for `text` (quotes included), for building control requests.
std::string JsonQuote(const std::string& text);

}  // namespace nummora::test
