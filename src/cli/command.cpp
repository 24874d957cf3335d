#include "cli/command.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <istream>
#include <map>

#include "common/account_label.h"
#include "platform/volume_serial.h"
#include "profile/profile_open.h"

namespace nummora::cli {
namespace {

std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> registry;
  return registry;
}

bool Contains(const std::vector<std::string>& list, const std::string& word) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

}  // namespace

void RegisterCommand(Command command) {
  std::string name = command.name;
  Registry()[name] = std::move(command);
}

const Command* FindCommand(const std::string& name) {
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : &it->second;
}

std::vector<Command> AllCommands() {
  std::vector<Command> all;
  for (const auto& [name, command] : Registry()) all.push_back(command);
  return all;
}

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<std::string>& with_value,
                     const std::vector<std::string>& flags) {
  bool only_positional = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (only_positional || a.size() < 2 || a.compare(0, 2, "--") != 0) {
      positional_.push_back(a);
      continue;
    }
    if (a == "--") {
      only_positional = true;
      continue;
    }
    std::string name = a;
    std::optional<std::string> inline_value;
    if (size_t eq = a.find('='); eq != std::string::npos) {
      name = a.substr(0, eq);
      inline_value = a.substr(eq + 1);
    }
    if (Contains(with_value, name)) {
      if (inline_value) {
        values_.emplace_back(name, *inline_value);
      } else if (i + 1 < args.size()) {
        values_.emplace_back(name, args[++i]);
      } else {
        throw CommandError(kExitUsage, "The option " + name + " needs a value.");
      }
    } else if (Contains(flags, name) && !inline_value) {
      flags_.push_back(name);
    } else {
      throw CommandError(kExitUsage, "Unknown option " + a + ".");
    }
  }
}

bool Arguments::Has(const std::string& flag) const {
  return Contains(flags_, flag);
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
  std::optional<std::string> found;
  for (const auto& [name, value] : values_) {
    if (name == option) found = value;
  }
  return found;
}

uint32_t ParseSerial(const std::string& text, const std::string& option) {
  if (auto serial = SerialFromUuidText(text)) return *serial;
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    digits = digits.substr(2);
  if (digits.empty() || digits.size() > 8 ||
      !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isxdigit(c) != 0; })) {
    throw CommandError(kExitUsage, "The value of " + option +
                                       " must be a volume serial number in hexadecimal, such as "
                                       "1A2B3C4D or 1A2B-3C4D; \"" +
                                       text + "\" is not one.");
  }
  return static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
}

std::string SerialText(uint32_t serial) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", serial);
  return text;
}

SecretString OpenProfileOrFail(const std::string& path, const std::string& password,
                               const ProfileFileOptions& options, ProfileKey* key) {
  ProfileOpenResult opened;
  try {
    opened = OpenProfileFile(path, password, options);
  } catch (const EVolumeSerialError& e) {
    throw CommandError(kExitNoVolumeSerial, std::string(e.what()) + " (give it with --volume-serial)");
  } catch (const NummoraError& e) {
    throw CommandError(kExitFailure, e.what());
  }
  switch (opened.status) {
    case ProfileOpenStatus::kOpened:
      if (key) *key = std::move(opened.key);
      return std::move(opened.text);
    case ProfileOpenStatus::kFileMissing:
      throw CommandError(kExitFileMissing, std::string(kDataFileNotFound) + ": " + path);
    case ProfileOpenStatus::kEmpty:
      throw CommandError(kExitDamaged, std::string(kErrorLoadingProfile) + ": " + path + " is empty.");
    case ProfileOpenStatus::kWrongPassword:
      throw CommandError(kExitWrongPassword,
                         "Wrong password for " + path +
                             " (or the file was written on another volume: see nummora-cli profile rekey).");
    case ProfileOpenStatus::kDamaged:
      break;
  }
  if (opened.message != kFileIsDamaged) throw CommandError(kExitDamaged, path + ": " + opened.message);
  throw CommandError(kExitDamaged,
                     std::string(kFileIsDamaged) + ": " + path + " does not end like a profile document.");
}

SecretString ReadPassword(Io& io, bool from_stdin, const std::string& prompt) {
  SecretString password;
  if (from_stdin) {
    if (!std::getline(io.in, password.str())) {
      throw CommandError(kExitUsage, "No password on standard input.");
    }
    if (!password.str().empty() && password.str().back() == '\r') password.str().pop_back();
    return password;
  }
  int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) {
    throw CommandError(kExitUsage, "There is no terminal to ask for the password; use --password-stdin.");
  }
  (void)!::write(tty, prompt.data(), prompt.size());
  termios saved{};
  const bool have_termios = ::tcgetattr(tty, &saved) == 0;
  if (have_termios) {
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    quiet.c_lflag |= ICANON;
    ::tcsetattr(tty, TCSAFLUSH, &quiet);
  }
  bool ended = false;
  for (;;) {
    char c = 0;
    ssize_t n = ::read(tty, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ended = true;
      break;
    }
    if (c == '\n') break;
    password.str().push_back(c);
    c = 0;
  }
  if (have_termios) ::tcsetattr(tty, TCSAFLUSH, &saved);
  (void)!::write(tty, "\n", 1);
  ::close(tty);
  if (ended && password.str().empty()) throw CommandError(kExitUsage, "No password was typed.");
  if (!password.str().empty() && password.str().back() == '\r') password.str().pop_back();
  return password;
}

AccountRecord AccountWithPassPhrase(const ProfileModel& model, const std::string& id, const std::string& path,
                                    Io& io, bool from_stdin) {
  const int position = model.FindAccount(id);
  if (position < 0 || !model.IsLive(position))
    throw CommandError(kExitFailure, "There is no account " + id + " in " + path + ".");
  AccountRecord account = model.Account(position);
  constexpr int kAttempts = 3;
  for (int attempt = 0; !PassPhraseStored(account.Password); ++attempt) {
    if (attempt == kAttempts || (from_stdin && attempt == 1)) {
      SecureWipe(account.Password);
      throw CommandError(kExitFailure, "No pass phrase of " + std::to_string(kStoredPassPhraseMinimum) +
                                           " characters or more for " + AccountLabel(account) +
                                           "; nothing was sent.");
    }
    SecretString typed = ReadPassword(io, from_stdin, "PassPhrase for " + AccountLabel(account) + ": ");
    account.Password = typed.str();
  }
  return account;
}

}  // namespace nummora::cli
