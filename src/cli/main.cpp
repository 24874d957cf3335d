// nummora-cli: command-line tools over the Nummora core. The first argument names the
// command; everything after it belongs to the command.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/json_output.h"
#include "common/secure_memory.h"
#include "common/untrusted_text.h"
#include "common/version.h"

namespace {

using namespace nummora::cli;

void PrintOverview(std::ostream& out) {
  out << "Usage: nummora-cli COMMAND [ARGUMENTS]\n"
         "       nummora-cli COMMAND --help\n"
         "       nummora-cli --version\n\nCommands:\n";
  for (const Command& c : AllCommands())
    out << "  " << c.name << std::string(c.name.size() < 16 ? 16 - c.name.size() : 1, ' ') << c.summary
        << "\n";
  out << "\nUsage of each command:\n";
  for (const Command& c : AllCommands()) out << c.synopsis;
  out << "\nExit codes: 0 done, 1 failure, 2 bad arguments, 3 profile file not found,\n"
         "4 wrong password (or a file written on another volume), 5 damaged profile file,\n"
         "6 no volume serial number for the file's folder.\n";
}

}  // namespace

int main(int argc, char** argv) {
  // Passwords and pass phrases are in memory: never leave them in a core dump.
  nummora::DisableCoreDumps();
  std::vector<std::string> args(argv + 1, argv + argc);
  // Messages and tables hold text other people wrote: they reach the terminal with their
  // control characters shown, never carried out.
  nummora::TerminalStreamBuf outFilter(std::cout.rdbuf());
  nummora::TerminalStreamBuf errFilter(std::cerr.rdbuf());
  std::ostream out(&outFilter);
  std::ostream err(&errFilter);
  Io io{std::cin, out, err, std::cout};
  if (args.empty()) {
    PrintOverview(std::cerr);
    return kExitUsage;
  }
  if (args[0] == "--version") {
    std::cout << "nummora-cli " NUMMORA_VERSION "\n";
    return kExitOk;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintOverview(std::cout);
    return kExitOk;
  }
  const Command* command = FindCommand(args[0]);
  if (command == nullptr) {
    err << "nummora-cli: unknown command \"" << args[0] << "\". See nummora-cli --help.\n";
    return kExitUsage;
  }
  args.erase(args.begin());
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << command->synopsis;
      return kExitOk;
    }
  }
  // With --json an error is a document too, on standard error; it is plain ASCII.
  const auto fail = [&](int code, const std::string& message) {
    out.flush();
    if (WantsJson(args))
      std::cerr << JsonError(code, message) << "\n";
    else
      err << "nummora-cli: " << message << "\n";
    return code;
  };
  try {
    int code = command->run(args, io);
    out.flush();
    return code;
  } catch (const CommandError& e) {
    return fail(e.code(), e.what());
  } catch (const std::exception& e) {
    return fail(kExitFailure, e.what());
  }
}
