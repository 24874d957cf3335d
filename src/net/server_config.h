#pragma once
// Where the program finds the e-gold server, the Liberty Reserve API server and the vendor's web
// service. The addresses come from "servers.ini" in the configuration folder:
//
//   [Servers]
//   EgoldSecure=https://127.0.0.1:18443
//   EgoldPlain=http://127.0.0.1:18080
//   LibertyReserve=https://127.0.0.1:18444
//   Vendor=http://127.0.0.1:18081
//   CAFile=/path/to/extra-ca.pem
//
// and each key can be overridden by an environment variable (NUMMORA_EGOLD_SECURE,
// NUMMORA_EGOLD_PLAIN, NUMMORA_LIBERTY_RESERVE, NUMMORA_VENDOR, NUMMORA_CA_FILE; an empty
// variable counts as unset). NUMMORA_SERVERS_INI names another file to read instead of the
// one in the configuration folder. Without either, the built-in addresses are the local
// sandbox's loopback ports, so credentials never go to a host the user did not name.
//
// An address is "http://" or "https://", a host and an optional port, without a trailing "/";
// the callers append the page ("/acct/balance.asp"). A value that is not such an address is
// ignored (the default stays) and reported in `Problems`. So is a plain http:// address for
// EgoldSecure or LibertyReserve, which receive pass phrases and security tokens; only test
// set-ups may allow one, on this machine only, with NUMMORA_PLAIN_HTTP_ON_LOOPBACK=1 (the
// host "localhost", 127.x.x.x or [::1]).
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/ini_file.h"

namespace nummora {

inline constexpr const char* kPlainHttpOnLoopbackVariable = "NUMMORA_PLAIN_HTTP_ON_LOOPBACK";

struct ServerConfig {
  std::string EgoldSecure;
  std::string EgoldPlain;
  std::string LibertyReserve;
  std::string Vendor;
  // Extra CA certificates (PEM) trusted beside the system's roots; empty for none.
  std::string CAFile;
  // Values that were ignored, one sentence each, for the events list.
  std::vector<std::string> Problems;
};

// Looks up an environment variable; nothing when it is unset.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;
EnvLookup ProcessEnvironment();

ServerConfig DefaultServerConfig();

// The configuration from an INI (section [Servers]) and the environment. A relative CAFile of
// the INI is taken relative to `iniFolder`, a relative NUMMORA_CA_FILE to the working folder.
ServerConfig ServerConfigFrom(const IniFile& ini, const EnvLookup& env,
                              const std::filesystem::path& iniFolder);

// NUMMORA_SERVERS_INI, or servers.ini in the configuration folder.
std::filesystem::path ServersIniPath();

// Reads ServersIniPath() with the process environment. Never throws: a missing file gives the
// defaults, an unreadable one (or no configuration folder) too, noted in `Problems`.
ServerConfig LoadServerConfig();

}  // namespace nummora
