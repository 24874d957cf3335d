// nummora-cli profile show | decipher | encipher | rekey | upgrade
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <iterator>
#include <sstream>

#include "cli/command.h"
#include "cli/json_output.h"
#include "common/currency.h"
#include "common/datetime.h"
#include "common/format_settings.h"
#include "common/number_text.h"
#include "platform/volume_serial.h"
#include "profile/cipher.h"
#include "profile/document.h"
#include "profile/login_flow.h"
#include "profile/profile_file.h"
#include "profile/profile_open.h"

namespace nummora::cli {
namespace {

const char* const kSynopsis =
    "  nummora-cli profile show FILE [--password-stdin] [--volume-serial HEX]\n"
    "                                [--date-format PATTERN] [--time-format PATTERN] [--json]\n"
    "      Names the file's format and its parameters, and lists the accounts (label, type,\n"
    "      balances, last update) and the contacts. Pass phrases and security words are never\n"
    "      shown. --json prints one document: {\"format\", \"accounts\": [{\"id\", \"name\",\n"
    "      \"type\" (\"e-gold\" or \"liberty_reserve\"), \"balances\" (ounces of \"gold\",\n"
    "      \"silver\", \"platinum\", \"palladium\" as numbers, or \"usd\" and \"eur\" as decimal\n"
    "      strings), \"lastUpdate\"}], \"contacts\": [{\"name\", \"egold\", \"libertyReserve\",\n"
    "      \"email\", \"comment\"}]}.\n"
    "  nummora-cli profile decipher FILE [--password-stdin] [--volume-serial HEX]\n"
    "      Writes the profile document to standard output.\n"
    "  nummora-cli profile encipher FILE [--password-stdin] [--volume-serial HEX] [--legacy]\n"
    "      Reads a profile document from standard input and writes it enciphered to FILE, in\n"
    "      the format FILE has (a new file: strong encryption; --legacy: the old format).\n"
    "      With --password-stdin the first line of standard input is the password.\n"
    "  nummora-cli profile rekey FILE --from-serial HEX [--password-stdin] [--volume-serial HEX]\n"
    "      Re-enciphers a profile written on a volume with serial HEX for the volume it lies\n"
    "      on now, in the format it has; the old file is kept beside it as FILE.bak (or\n"
    "      FILE.bak.N).\n"
    "  nummora-cli profile upgrade FILE [--keep-backup] [--password-stdin] [--volume-serial HEX]\n"
    "      Rewrites a profile kept in the old format (RC4 with a 40-bit key) with strong\n"
    "      encryption (Argon2id and XChaCha20-Poly1305). The old file is replaced, since it is\n"
    "      what a stolen disk would give away; --keep-backup keeps it as FILE.bak (or FILE.bak.N).\n"
    "  --password-stdin      read the password as one line of standard input instead of\n"
    "                        asking on the terminal\n"
    "  --volume-serial HEX   key the file for this volume serial instead of the serial of the\n"
    "                        volume that holds it\n";

struct ProfileArgs {
  std::string path;
  bool password_stdin = false;
  ProfileFileOptions options;
  Arguments parsed;
};

ProfileArgs ParseProfileArgs(const std::vector<std::string>& args,
                             const std::vector<std::string>& extra_values,
                             const std::vector<std::string>& extra_flags = {}) {
  std::vector<std::string> with_value = {"--volume-serial"};
  with_value.insert(with_value.end(), extra_values.begin(), extra_values.end());
  std::vector<std::string> flags = {"--password-stdin"};
  flags.insert(flags.end(), extra_flags.begin(), extra_flags.end());
  Arguments parsed(args, with_value, flags);
  if (parsed.Positional().size() != 1)
    throw CommandError(kExitUsage, "Name one profile file.\n" + std::string(kSynopsis));
  ProfileArgs p{parsed.Positional()[0], parsed.Has("--password-stdin"), {}, parsed};
  if (auto serial = parsed.Value("--volume-serial"))
    p.options.volume_serial = ParseSerial(*serial, "--volume-serial");
  return p;
}

std::string TypeName(AccountType type) {
  if (type == AccountType::Egold) return "e-gold";
  if (type == AccountType::LibertyReserve) return "Liberty Reserve";
  return "unknown type " + std::to_string(static_cast<int32_t>(type));
}

void ShowJson(const ProfileKey& key, const ProfileDocumentContent& doc, Io& io) {
  Json accounts = Json::array();
  for (const AccountRecord& a : doc.accounts) {
    Json account;
    account["id"] = JsonText(a.ID);
    account["name"] = JsonText(a.Name);
    if (a.Type == AccountType::LibertyReserve) {
      account["type"] = "liberty_reserve";
      account["balances"] = {{"usd", JsonAmount(a.LRusd)}, {"eur", JsonAmount(a.LReur)}};
    } else {
      account["type"] = a.Type == AccountType::Egold ? "e-gold" : "unknown";
      account["balances"] = {
          {"gold", a.Gold}, {"silver", a.Silver}, {"platinum", a.Platinum}, {"palladium", a.Palladium}};
    }
    account["lastUpdate"] = JsonDateTime(a.Updated);
    accounts.push_back(std::move(account));
  }
  Json contacts = Json::array();
  for (const ContactRecord& c : doc.contacts)
    contacts.push_back({{"name", JsonText(c.Name)},
                        {"egold", JsonText(c.EgoldID)},
                        {"libertyReserve", JsonText(c.LRID)},
                        {"email", JsonText(c.Email)},
                        {"comment", JsonText(c.Comment)}});
  Json out;
  out["format"] = JsonText(ProfileFormatText(key));
  out["accounts"] = std::move(accounts);
  out["contacts"] = std::move(contacts);
  PrintJson(io, out);
}

int Show(const std::vector<std::string>& args, Io& io) {
  ProfileArgs p = ParseProfileArgs(args, {"--date-format", "--time-format"}, {"--json"});
  FormatSettings regional = UsEnglishFormatSettings();
  if (p.parsed.Value("--date-format") || p.parsed.Value("--time-format")) {
    regional = MakeFormatSettings(p.parsed.Value("--date-format").value_or(regional.shortDateFormat),
                                  p.parsed.Value("--time-format").value_or(regional.longTimeFormat),
                                  regional.amText, regional.pmText);
  }
  SecretString password = ReadPassword(io, p.password_stdin, "Password for " + p.path + ": ");
  ProfileKey key;
  SecretString text = OpenProfileOrFail(p.path, password.str(), p.options, &key);
  ProfileDocumentContent doc;
  try {
    doc = ReadProfileDocument(text.str(), regional);
  } catch (const EProfileDocumentError& e) {
    throw CommandError(kExitDamaged, e.what());
  }
  if (p.parsed.Has("--json")) {
    ShowJson(key, doc, io);
    return kExitOk;
  }
  const FormatSettings number_format = MakeNumberFormat(regional);

  io.out << "Format: " << ProfileFormatText(key) << "\n";
  io.out << "Accounts: " << doc.accounts.size() << "\n";
  for (const AccountRecord& a : doc.accounts) {
    io.out << "  " << AccountLabel(a) << "\n";
    io.out << "    Type: " << TypeName(a.Type) << "\n";
    if (a.Type == AccountType::LibertyReserve) {
      io.out << "    Balance: USD " << CurrToStr(a.LRusd, number_format) << ", EUR "
             << CurrToStr(a.LReur, number_format) << "\n";
    } else {
      io.out << "    Balance: gold " << FloatToStr(a.Gold, number_format) << " oz, silver "
             << FloatToStr(a.Silver, number_format) << " oz, platinum "
             << FloatToStr(a.Platinum, number_format) << " oz, palladium "
             << FloatToStr(a.Palladium, number_format) << " oz\n";
    }
    io.out << "    Last update: "
           << (a.Updated == 0 ? std::string("never") : DateTimeToStr(a.Updated, regional)) << "\n";
  }
  io.out << "Contacts: " << doc.contacts.size() << "\n";
  for (const ContactRecord& c : doc.contacts) {
    io.out << "  " << (c.Name.empty() ? std::string("(no name)") : c.Name) << "\n";
    if (!c.EgoldID.empty()) io.out << "    e-gold: " << c.EgoldID << "\n";
    if (!c.LRID.empty()) io.out << "    Liberty Reserve: " << c.LRID << "\n";
    if (!c.Email.empty()) io.out << "    E-mail: " << c.Email << "\n";
    if (!c.Comment.empty()) io.out << "    Comment: " << c.Comment << "\n";
  }
  return kExitOk;
}

int Decipher(const std::vector<std::string>& args, Io& io) {
  ProfileArgs p = ParseProfileArgs(args, {});
  SecretString password = ReadPassword(io, p.password_stdin, "Password for " + p.path + ": ");
  SecretString text = OpenProfileOrFail(p.path, password.str(), p.options);
  io.data.write(text.str().data(), static_cast<std::streamsize>(text.str().size()));
  io.data.flush();
  return io.data ? kExitOk : kExitFailure;
}

// The format `profile encipher` writes: the old one when asked for, or when the file it
// replaces has it (a legacy profile is rewritten in the strong format by `upgrade` only);
// otherwise the strong one.
ProfileFormat FormatToWrite(const std::string& path, bool legacy) {
  if (legacy) return ProfileFormat::kLegacy;
  std::string bytes;
  try {
    bytes = ReadProfileFileBytes(path);
  } catch (const EProfileFileError& e) {
    if (e.error_number() == ENOENT) return ProfileFormat::kStrong;
    throw CommandError(kExitFailure, e.what());
  }
  return IsStrongProfileFile(bytes) ? ProfileFormat::kStrong : ProfileFormat::kLegacy;
}

int Encipher(const std::vector<std::string>& args, Io& io) {
  ProfileArgs p = ParseProfileArgs(args, {}, {"--legacy"});
  const ProfileFormat format = FormatToWrite(p.path, p.parsed.Has("--legacy"));
  SecretString password = ReadPassword(io, p.password_stdin, "New password for " + p.path + ": ");
  if (!p.password_stdin) {
    SecretString again = ReadPassword(io, false, "Confirm the password: ");
    if (again.str() != password.str())
      throw CommandError(kExitUsage, "The two passwords differ; nothing was written.");
  }
  if (password.str().size() < kMinProfilePasswordLength) {
    throw CommandError(kExitUsage, "The password must have at least " +
                                       std::to_string(kMinProfilePasswordLength) +
                                       " characters; nothing was written.");
  }
  SecretString text(std::string(std::istreambuf_iterator<char>(io.in), std::istreambuf_iterator<char>()));
  if (!LooksLikeProfileDocument(text.str()) || !HasProfileTrailer(text.str())) {
    throw CommandError(
        kExitDamaged,
        "Standard input is not a profile document (it must start with \"<?nmr\" and hold \"<?end>\"); "
        "nothing was written.");
  }
  try {
    ReadProfileDocument(text.str(), UsEnglishFormatSettings());
  } catch (const EProfileDocumentError& e) {
    throw CommandError(kExitDamaged, std::string(e.what()) + " Nothing was written.");
  }
  ProfileKey key(password.str(), format);
  try {
    WriteProfileFile(p.path, text.str(), key, p.options);
  } catch (const EVolumeSerialError& e) {
    throw CommandError(kExitNoVolumeSerial, std::string(e.what()) + " (give it with --volume-serial)");
  }
  io.err << "Wrote " << p.path << " (" << text.str().size() << " bytes, " << ProfileFormatText(key) << ").\n";
  return kExitOk;
}

// Copies the file's bytes to a backup beside it that did not exist before; returns its name.
std::string BackUp(const std::string& path) {
  std::string bytes;
  {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CommandError(kExitFailure, "Cannot read " + path + ": " + std::strerror(errno));
    char buffer[65536];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        int e = errno;
        ::close(fd);
        throw CommandError(kExitFailure, "Cannot read " + path + ": " + std::strerror(e));
      }
      if (n == 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
  }
  for (int n = 1; n < 1000; ++n) {
    std::string backup = path + ".bak" + (n == 1 ? std::string() : "." + std::to_string(n));
    if (::access(backup.c_str(), F_OK) == 0) continue;
    std::string temp = backup + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
      throw CommandError(kExitFailure, "Cannot create a backup of " + path + ": " + std::strerror(errno));
    bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    for (size_t done = 0; ok && done < bytes.size();) {
      ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (w < 0 && errno == EINTR) continue;
      ok = w > 0;
      if (ok) done += static_cast<size_t>(w);
    }
    ok = ok && ::fsync(fd) == 0;
    int e = errno;
    ok = (::close(fd) == 0) && ok;
    // link() refuses to replace a backup that appeared meanwhile.
    if (ok && ::link(temp.c_str(), backup.c_str()) != 0) {
      e = errno;
      ok = false;
    }
    ::unlink(temp.c_str());
    if (ok) return backup;
    if (e == EEXIST) continue;
    throw CommandError(kExitFailure, "Cannot write the backup " + backup + ": " + std::strerror(e));
  }
  throw CommandError(kExitFailure, "Too many backups of " + path + " exist already.");
}

// Whether the file at `path` opens with `password` and holds `text`.
bool ReadsBack(const std::string& path, const std::string& password, const ProfileFileOptions& options,
               const std::string& text) {
  ProfileOpenResult check = OpenProfileFile(path, password, options);
  return check.status == ProfileOpenStatus::kOpened && check.text.str() == text;
}

int Rekey(const std::vector<std::string>& args, Io& io) {
  ProfileArgs p = ParseProfileArgs(args, {"--from-serial"});
  auto from = p.parsed.Value("--from-serial");
  if (!from)
    throw CommandError(kExitUsage, "profile rekey needs --from-serial HEX, the serial of the old volume.");
  ProfileFileOptions old_key;
  old_key.volume_serial = ParseSerial(*from, "--from-serial");
  ProfileFileOptions new_key = p.options;
  try {
    if (!new_key.volume_serial) new_key.volume_serial = VolumeSerialOf(ProfileFolderOf(p.path));
  } catch (const EVolumeSerialError& e) {
    throw CommandError(kExitNoVolumeSerial, std::string(e.what()) + " (give it with --volume-serial)");
  }
  SecretString password = ReadPassword(io, p.password_stdin, "Password for " + p.path + ": ");
  ProfileKey key;
  SecretString text = OpenProfileOrFail(p.path, password.str(), old_key, &key);
  if (*new_key.volume_serial == *old_key.volume_serial) {
    io.err << p.path << " is already keyed for volume serial " << SerialText(*new_key.volume_serial)
           << "; nothing to do.\n";
    return kExitOk;
  }
  const std::string backup = BackUp(p.path);
  WriteProfileFile(p.path, text.str(), key, new_key);
  if (!ReadsBack(p.path, password.str(), new_key, text.str()))
    throw CommandError(kExitFailure, "The re-enciphered file does not read back; the old file is " + backup);
  io.err << "Re-keyed " << p.path << " for volume serial " << SerialText(*new_key.volume_serial)
         << "; the old file is " << backup << ".\n";
  return kExitOk;
}

int Upgrade(const std::vector<std::string>& args, Io& io) {
  ProfileArgs p = ParseProfileArgs(args, {}, {"--keep-backup"});
  SecretString password = ReadPassword(io, p.password_stdin, "Password for " + p.path + ": ");
  ProfileKey old_key;
  SecretString text = OpenProfileOrFail(p.path, password.str(), p.options, &old_key);
  if (old_key.Format() == ProfileFormat::kStrong) {
    io.err << p.path << " is protected with strong encryption already; nothing to do.\n";
    return kExitOk;
  }
  const std::string backup = p.parsed.Has("--keep-backup") ? BackUp(p.path) : std::string();
  ProfileKey key(password.str(), ProfileFormat::kStrong);
  try {
    WriteProfileFile(p.path, text.str(), key, p.options);
  } catch (const NummoraError& e) {
    throw CommandError(kExitFailure, std::string(e.what()) + " The profile is left as it was.");
  }
  if (!ReadsBack(p.path, password.str(), p.options, text.str())) {
    // The legacy cipher has no nonce: written again, the old file comes back byte for byte.
    WriteProfileFile(p.path, text.str(), old_key, p.options);
    throw CommandError(kExitFailure, "The upgraded file does not read back; the profile is left as it was.");
  }
  io.err << "Upgraded " << p.path << " to " << ProfileFormatText(key);
  if (!backup.empty())
    io.err << "; the old file is " << backup << ", in the old format: remove it when it is no longer needed";
  io.err << ".\n";
  return kExitOk;
}

int Run(const std::vector<std::string>& args, Io& io) {
  if (args.empty()) throw CommandError(kExitUsage, "profile needs a subcommand.\n" + std::string(kSynopsis));
  const std::string sub = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (sub == "show") return Show(rest, io);
  if (sub == "decipher") return Decipher(rest, io);
  if (sub == "encipher") return Encipher(rest, io);
  if (sub == "rekey") return Rekey(rest, io);
  if (sub == "upgrade") return Upgrade(rest, io);
  throw CommandError(kExitUsage, "Unknown profile subcommand \"" + sub + "\".\n" + std::string(kSynopsis));
}

const CommandRegistrar registrar(Command{"profile", kSynopsis,
                                         "show, decipher, encipher, re-key or upgrade a profile file", Run});

}  // namespace
}  // namespace nummora::cli
