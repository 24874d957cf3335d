#include "net/server_config.h"

#include <cstdlib>

#include "common/ascii_text.h"
#include "platform/ini_file_io.h"
#include "platform/paths.h"

namespace nummora {
namespace {

constexpr const char* kSection = "Servers";

struct Entry {
  const char* key;
  const char* variable;
  std::string ServerConfig::*field;
  // Receives pass phrases or security tokens: plain http:// is refused.
  bool secret;
};

const Entry kAddresses[] = {
    {"EgoldSecure", "NUMMORA_EGOLD_SECURE", &ServerConfig::EgoldSecure, true},
    {"EgoldPlain", "NUMMORA_EGOLD_PLAIN", &ServerConfig::EgoldPlain, false},
    {"LibertyReserve", "NUMMORA_LIBERTY_RESERVE", &ServerConfig::LibertyReserve, true},
    {"Vendor", "NUMMORA_VENDOR", &ServerConfig::Vendor, false},
};

// The host of a clean http:// address: "localhost", a 127.x.x.x address or "[::1]", with an
// optional port. Nothing sent there leaves the machine.
bool IsLoopbackAddress(const std::string& address) {
  std::string host = address.substr(address.find("://") + 3);
  if (host.rfind("[::1]", 0) == 0) return host.size() == 5 || host[5] == ':';
  host = host.substr(0, host.find(':'));
  if (EqualsIgnoringCase(host, "localhost")) return true;
  if (host.rfind("127.", 0) != 0) return false;
  int parts = 1;
  int digits = 0;
  for (char c : host) {
    if (c == '.') {
      if (digits == 0 || digits > 3) return false;
      ++parts;
      digits = 0;
    } else if (c >= '0' && c <= '9') {
      ++digits;
    } else {
      return false;
    }
  }
  return parts == 4 && digits > 0 && digits <= 3;
}

// The address without trailing "/", or nothing when it is not an http(s) address.
std::optional<std::string> CleanAddress(std::string value) {
  while (!value.empty() && value.back() == '/') value.pop_back();
  size_t hostStart;
  if (StartsWithIgnoringCase(value, "https://"))
    hostStart = 8;
  else if (StartsWithIgnoringCase(value, "http://"))
    hostStart = 7;
  else
    return std::nullopt;
  if (value.size() <= hostStart || value[hostStart] == ':' || value[hostStart] == '/') return std::nullopt;
  for (char c : value) {
    auto u = static_cast<unsigned char>(c);
    if (u <= 32 || u >= 127) return std::nullopt;
  }
  if (value.find_first_of("?#@\\", hostStart) != std::string::npos) return std::nullopt;
  return value;
}

}  // namespace

EnvLookup ProcessEnvironment() {
  return [](const char* name) -> std::optional<std::string> {
    const char* v = std::getenv(name);
    if (!v) return std::nullopt;
    return std::string(v);
  };
}

ServerConfig DefaultServerConfig() {
  ServerConfig config;
  config.EgoldSecure = "https://127.0.0.1:18443";
  config.EgoldPlain = "http://127.0.0.1:18080";
  config.LibertyReserve = "https://127.0.0.1:18444";
  config.Vendor = "http://127.0.0.1:18081";
  return config;
}

ServerConfig ServerConfigFrom(const IniFile& ini, const EnvLookup& env,
                              const std::filesystem::path& iniFolder) {
  ServerConfig config = DefaultServerConfig();
  auto fromEnv = [&](const char* variable) -> std::optional<std::string> {
    if (!env) return std::nullopt;
    auto v = env(variable);
    if (!v || v->empty()) return std::nullopt;
    return v;
  };
  // Test set-ups whose stand-in servers speak plain HTTP on this machine only.
  const bool plainLoopback = fromEnv(kPlainHttpOnLoopbackVariable).value_or("") == "1";
  for (const Entry& e : kAddresses) {
    std::optional<std::string> value = fromEnv(e.variable);
    std::string source = e.variable;
    if (!value) {
      value = ini.Find(kSection, e.key);
      source = std::string("servers.ini ") + e.key;
      if (value && value->empty()) value.reset();
    }
    if (!value) continue;
    auto clean = CleanAddress(*value);
    if (!clean) {
      config.Problems.push_back(source + " is not an http:// or https:// address; using " + config.*e.field);
    } else if (e.secret && StartsWithIgnoringCase(*clean, "http://") &&
               !(plainLoopback && IsLoopbackAddress(*clean))) {
      config.Problems.push_back(source +
                                " is refused: a plain http:// address would send pass phrases in clear; " +
                                "give an https:// address. Using " + config.*e.field);
    } else {
      config.*e.field = *clean;
    }
  }
  if (auto ca = fromEnv("NUMMORA_CA_FILE")) {
    config.CAFile = std::filesystem::absolute(*ca).lexically_normal().string();
  } else if (auto iniCa = ini.Find(kSection, "CAFile"); iniCa && !iniCa->empty()) {
    std::filesystem::path p(*iniCa);
    if (p.is_relative()) p = iniFolder / p;
    config.CAFile = p.lexically_normal().string();
  }
  if (!config.CAFile.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(config.CAFile, ec))
      config.Problems.push_back("CA file not found: " + config.CAFile);
  }
  return config;
}

std::filesystem::path ServersIniPath() {
  const char* file = std::getenv("NUMMORA_SERVERS_INI");
  if (file && *file) return std::filesystem::absolute(file);
  return ConfigFolder() / "servers.ini";
}

ServerConfig LoadServerConfig() {
  std::filesystem::path file;
  IniFile ini;
  std::string problem;
  try {
    file = ServersIniPath();
    ini = LoadIniFile(file);
  } catch (const std::exception& e) {  // IniError, PathError
    problem = e.what();
  }
  ServerConfig config = ServerConfigFrom(ini, ProcessEnvironment(), file.parent_path());
  if (!problem.empty()) config.Problems.insert(config.Problems.begin(), problem);
  return config;
}

}  // namespace nummora
