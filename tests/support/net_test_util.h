#pragma once
// Small helpers for tests that touch the file system or the environment: a temporary folder
// removed at the end, and an environment variable set for the scope of a test.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace nummora::test {

class NetTempDir {
 public:
  NetTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nummora-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~NetTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  NetTempDir(const NetTempDir&) = delete;
  NetTempDir& operator=(const NetTempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable and restores the old state.
class NetEnvGuard {
 public:
  NetEnvGuard(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    if (value)
      ::setenv(name_.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  ~NetEnvGuard() {
    if (old_)
      ::setenv(name_.c_str(), old_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  NetEnvGuard(const NetEnvGuard&) = delete;
  NetEnvGuard& operator=(const NetEnvGuard&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace nummora::test
