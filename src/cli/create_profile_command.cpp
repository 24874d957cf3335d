// nummora-cli create-profile: registers a new profile, as the new-profile window does, and
// writes accounts into it (used by scripts/run-nummora for the demo profile).
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "common/format_settings.h"
#include "common/secure_memory.h"
#include "platform/settings_store.h"
#include "profile/login_flow.h"
#include "profile/profile_setup.h"

namespace nummora::cli {
namespace {

const char* const kSynopsis =
    "  nummora-cli create-profile NAME [--password-stdin] [--hint TEXT] [--if-missing]\n"
    "                              [--account TYPE:ID:LABEL:SECRET[:APINAME]]... [--accounts-stdin]\n"
    "                              [--update-at-startup] [--legacy]\n"
    "      Creates the profile NAME in the settings store of the configuration folder and its\n"
    "      file NAME.nmr in the data folder (NUMMORA_HOME puts both under one folder), holding\n"
    "      the accounts given. TYPE is egold or lr; a Liberty Reserve account ends with its API\n"
    "      name. An e-gold pass phrase may hold blanks and colons. The file is protected with\n"
    "      strong encryption (Argon2id and XChaCha20-Poly1305).\n"
    "  --password-stdin      read the password as the first line of standard input\n"
    "  --accounts-stdin      read further accounts from standard input, one a line (after the\n"
    "                        password line with --password-stdin); keeps secrets off the\n"
    "                        command line\n"
    "  --update-at-startup   mark every account \"Update balance at startup\"\n"
    "  --if-missing          do nothing (and succeed) when the profile exists already\n"
    "  --legacy              write the file in the old format (RC4 with a 40-bit key), for a\n"
    "                        program that reads no other; it does not hold against a stolen disk\n";

// Takes every "--account VALUE" / "--account=VALUE" out of the arguments.
std::vector<std::string> TakeAccounts(std::vector<std::string>& args) {
  std::vector<std::string> specs, rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      rest.insert(rest.end(), args.begin() + static_cast<long>(i), args.end());
      break;
    }
    if (args[i] == "--account") {
      if (i + 1 >= args.size())
        throw CommandError(kExitUsage, "--account needs a value.\n" + std::string(kSynopsis));
      specs.push_back(args[++i]);
    } else if (args[i].rfind("--account=", 0) == 0) {
      specs.push_back(args[i].substr(10));
    } else {
      rest.push_back(args[i]);
    }
  }
  args = std::move(rest);
  return specs;
}

int Run(const std::vector<std::string>& raw_args, Io& io) {
  std::vector<std::string> args = raw_args;
  std::vector<std::string> specs = TakeAccounts(args);
  Arguments parsed(
      args, {"--hint"},
      {"--password-stdin", "--accounts-stdin", "--update-at-startup", "--if-missing", "--legacy"});
  if (parsed.Positional().size() != 1)
    throw CommandError(kExitUsage, "Name one profile.\n" + std::string(kSynopsis));
  const std::string name = parsed.Positional()[0];
  if (auto problem = ProfileNameProblem(name)) throw CommandError(kExitUsage, *problem);

  SettingsStore store;
  if (ProfileExists(store, name)) {
    if (parsed.Has("--if-missing")) {
      io.out << "Profile \"" << name << "\" exists already; left as it is.\n";
      for (std::string& s : specs) SecureWipe(s);
      return kExitOk;
    }
    throw CommandError(kExitFailure, "A profile named \"" + name + "\" exists already.");
  }

  SecretString password =
      ReadPassword(io, parsed.Has("--password-stdin"), "Password for the new profile " + name + ": ");
  if (parsed.Has("--accounts-stdin")) {
    std::string line;
    while (std::getline(io.in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) specs.push_back(line);
      SecureWipe(line);
    }
  }

  std::vector<AccountRecord> accounts;
  try {
    for (std::string& spec : specs) {
      accounts.push_back(ParseAccountSpec(spec));
      SecureWipe(spec);
    }
    CreateProfileWithAccounts(store, name, password.str(), parsed.Value("--hint").value_or(""), accounts,
                              parsed.Has("--update-at-startup"), UsEnglishFormatSettings(),
                              parsed.Has("--legacy") ? ProfileFormat::kLegacy : ProfileFormat::kStrong);
  } catch (const EProfileSetupError& e) {
    for (std::string& s : specs) SecureWipe(s);
    for (AccountRecord& a : accounts) SecureWipe(a.Password);
    throw CommandError(kExitUsage, e.what());
  }
  for (AccountRecord& a : accounts) SecureWipe(a.Password);
  io.out << "Created profile \"" << name << "\" with " << accounts.size() << " account"
         << (accounts.size() == 1 ? "" : "s") << ": " << NewProfilePath(name).string() << "\n";
  return kExitOk;
}

CommandRegistrar registrar({"create-profile", kSynopsis, "create a profile holding accounts (demo set-ups)",
                            &Run});

}  // namespace
}  // namespace nummora::cli
