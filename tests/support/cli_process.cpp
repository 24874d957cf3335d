#include "support/cli_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace nummora::test {

std::string CliPath() {
  return std::string(NUMMORA_BUILD_DIR) + "/src/nummora-cli";
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& input,
                 const std::string& scratchDir, const std::vector<std::pair<std::string, std::string>>& env) {
  const std::string cli = CliPath();
  const std::string inPath = scratchDir + "/.cli-stdin", outPath = scratchDir + "/.cli-stdout",
                    errPath = scratchDir + "/.cli-stderr";
  std::ofstream(inPath, std::ios::binary) << input;
  std::vector<char*> argv{const_cast<char*>(cli.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    int in = ::open(inPath.c_str(), O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(cli.c_str(), argv.data());
    ::_exit(127);
  }
  CliResult r;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = ReadFileBytes(outPath);
  r.err = ReadFileBytes(errPath);
  std::remove(inPath.c_str());
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  return r;
}

}  // namespace nummora::test
