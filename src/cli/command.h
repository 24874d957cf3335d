#pragma once
// nummora-cli commands. Each command lives in its own file and registers itself with a
// CommandRegistrar at start-up; main.cpp only dispatches on the first argument.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/secure_memory.h"
#include "profile/model.h"
#include "profile/profile_file.h"

namespace nummora::cli {

// Exit codes of every command.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,         // anything not listed below
  kExitUsage = 2,           // bad arguments
  kExitFileMissing = 3,     // the profile file does not exist
  kExitWrongPassword = 4,   // wrong password, or a file keyed for another volume
  kExitDamaged = 5,         // the file is empty, cut short, or its document cannot be read
  kExitNoVolumeSerial = 6,  // no volume serial number can be had for the file's folder
};

// The streams of a command. `out` and `err` go to the terminal through a filter that shows
// control characters as \xHH (TerminalText), so that text other people wrote (memos, names,
// server messages) cannot move the cursor, retitle or clear the terminal; `data` is standard
// output as it is, for output that is data to be kept byte for byte (CSV, a deciphered
// profile document).
struct Io {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  std::ostream& data;
};

// An error a command reports: the message goes to standard error, the code is the exit code.
class CommandError : public NummoraError {
 public:
  CommandError(int code, const std::string& message) : NummoraError(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

struct Command {
  std::string name;                                          // first argument, e.g. "profile"
  std::string synopsis;                                      // one or more usage lines
  std::string summary;                                       // one line for the overview
  int (*run)(const std::vector<std::string>& args, Io& io);  // args after the name
};

void RegisterCommand(Command command);
const Command* FindCommand(const std::string& name);
std::vector<Command> AllCommands();  // sorted by name

struct CommandRegistrar {
  explicit CommandRegistrar(Command command) { RegisterCommand(std::move(command)); }
};

// --- helpers shared by the commands ---

// Options of a command line: "--name value" pairs, "--flag" switches and positional words.
class Arguments {
 public:
  // `with_value` lists the options that take a value, `flags` those that do not. Throws
  // CommandError(kExitUsage) for an unknown option or a missing value.
  Arguments(const std::vector<std::string>& args, const std::vector<std::string>& with_value,
            const std::vector<std::string>& flags);
  bool Has(const std::string& flag) const;
  std::optional<std::string> Value(const std::string& option) const;
  const std::vector<std::string>& Positional() const { return positional_; }

 private:
  std::vector<std::pair<std::string, std::string>> values_;
  std::vector<std::string> flags_;
  std::vector<std::string> positional_;
};

// A volume serial written as 1 to 8 hexadecimal digits, optionally with "0x", or as
// "ABCD-EF01". Throws CommandError(kExitUsage) otherwise.
uint32_t ParseSerial(const std::string& text, const std::string& option);

// The serial as eight upper-case hexadecimal digits.
std::string SerialText(uint32_t serial);

// Deciphers a profile file and checks that it is a whole profile document, as the login does.
// Throws CommandError: kExitFileMissing, kExitWrongPassword, kExitDamaged (empty, cut short or
// not holding together), kExitNoVolumeSerial, or kExitFailure for any other error of the file.
// `key`, when given, receives what the file is written with again (its format, and its key).
SecretString OpenProfileOrFail(const std::string& path, const std::string& password,
                               const ProfileFileOptions& options, ProfileKey* key = nullptr);

// Reads a password: with `from_stdin` one line of standard input (without its line end);
// otherwise from the terminal without echo, after `prompt`. Throws CommandError when there is
// no terminal or the input ends first.
SecretString ReadPassword(Io& io, bool from_stdin, const std::string& prompt);

// A copy of the live account `id` of the profile read from `path`, with a pass phrase: the
// stored one, or one typed (three tries; one line from standard input with `from_stdin`).
// Throws CommandError when there is no such account or no pass phrase.
AccountRecord AccountWithPassPhrase(const ProfileModel& model, const std::string& id, const std::string& path,
                                    Io& io, bool from_stdin);

}  // namespace nummora::cli
