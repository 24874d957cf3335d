#pragma once
// Runs the built nummora-cli as a real process for the end-to-end tests: in its own session
// (so it has no terminal and must take secrets from standard input), with the given input,
// extra environment, and its output collected.
#include <string>
#include <utility>
#include <vector>

namespace nummora::test {

struct CliResult {
  int code = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// The nummora-cli of this build.
std::string CliPath();

// Runs CliPath() with `args`; `input` is its standard input; `env` is set in the child only.
// `scratchDir` holds the temporary files for the three streams (removed afterwards).
CliResult RunCli(const std::vector<std::string>& args, const std::string& input,
                 const std::string& scratchDir,
                 const std::vector<std::pair<std::string, std::string>>& env = {});

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

}  // namespace nummora::test
