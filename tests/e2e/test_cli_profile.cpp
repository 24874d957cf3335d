// Runs the built nummora-cli against profile files made in a temporary folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/volume_serial.h"
#include "profile/document.h"
#include "profile/profile_file.h"
#include "profile/profile_open.h"
#include "support/cli_process.h"

namespace nummora {
namespace {

namespace fs = std::filesystem;

using Result = test::CliResult;
using test::ReadFileBytes;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "nummora-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ASSERT_TRUE(fs::exists(test::CliPath())) << test::CliPath();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  // Runs the program in its own session (so it has no terminal) with `input` on stdin.
  Result Run(const std::vector<std::string>& args, const std::string& input = "") {
    return test::RunCli(args, input, dir_.string());
  }

  fs::path dir_;
};

const std::string kDocument =
    "<?nmr version=\"4.4\" encoding=\"iso-8859-1\"?>\r\n"
    "<Account> "
    "<Type>0</Type><ID>123456</ID><Name>Main</Name><Password>phrase-one-xyz</Password><APIname></APIname>"
    "<LRusd>0</LRusd><LReur>0</LReur><Gold>0.25</Gold><Silver>1.5</Silver><Platinum>0</"
    "Platinum><Palladium>2</Palladium>"
    "<Updated>1/2/2020 3:04:05 PM</Updated><Update>-1</Update><Refresh>0</Refresh><Batch>0</Batch>"
    "<BatchDate>1/1/2020</BatchDate></Account>\r\n"
    "<Account> "
    "<Type>1</Type><ID>U7654321</ID><Name></Name><Password>word-two-xyz</Password><APIname>api</APIname>"
    "<LRusd>1234.5</LRusd><LReur>0.0001</LReur><Gold>0</Gold><Silver>0</Silver><Platinum>0</Platinum>"
    "<Palladium>0</Palladium><Updated></Updated><Update>0</Update><Refresh>5</Refresh><Batch>3</Batch>"
    "<BatchDate></BatchDate></Account>\r\n"
    "<Contact><Name>Bob</Name><EgoldID>42</EgoldID><LRID>U7</LRID><Email>bob@example.com</Email>"
    "<Comment>pays rent</Comment></Contact>\r\n"
    "<Rates>x,1,2,3,4</Rates>\r\n<?end>\r\n";

constexpr uint32_t kSerial = 0x0BADF00Du;
const std::string kSerialArg = "0BADF00D";

TEST_F(CliTest, EncipheredProfileIsShownWithoutSecrets) {
  Result w = Run({"profile", "encipher", File("a.nmr"), "--password-stdin", "--volume-serial", kSerialArg},
                 "pw123\n" + kDocument);
  ASSERT_EQ(w.code, 0) << w.err;
  // A new file is written with strong encryption.
  EXPECT_TRUE(IsStrongProfileFile(ReadFileBytes(File("a.nmr"))));
  EXPECT_EQ(OpenProfileFile(File("a.nmr"), "pw123", ProfileFileOptions{kSerial, nullptr}).text.str(),
            kDocument);

  Result r =
      Run({"profile", "show", File("a.nmr"), "--password-stdin", "--volume-serial", kSerialArg}, "pw123\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Format: strong (Argon2id with 128 MiB and 4 passes, XChaCha20-Poly1305)\n"
            "Accounts: 2\n"
            "  Main (123456)\n"
            "    Type: e-gold\n"
            "    Balance: gold 0.25 oz, silver 1.5 oz, platinum 0 oz, palladium 2 oz\n"
            "    Last update: 1/2/2020 3:04:05 PM\n"
            "  U7654321\n"
            "    Type: Liberty Reserve\n"
            "    Balance: USD 1234.5, EUR 0.0001\n"
            "    Last update: never\n"
            "Contacts: 1\n"
            "  Bob\n"
            "    e-gold: 42\n"
            "    Liberty Reserve: U7\n"
            "    E-mail: bob@example.com\n"
            "    Comment: pays rent\n");
  for (const std::string* text : {&r.out, &r.err}) {
    EXPECT_EQ(text->find("phrase-one-xyz"), std::string::npos);
    EXPECT_EQ(text->find("word-two-xyz"), std::string::npos);
    EXPECT_EQ(text->find("pw123"), std::string::npos);
  }

  Result d = Run({"profile", "decipher", File("a.nmr"), "--password-stdin", "--volume-serial", kSerialArg},
                 "pw123\n");
  ASSERT_EQ(d.code, 0) << d.err;
  EXPECT_TRUE(d.out == kDocument) << "deciphered text differs";
}

TEST_F(CliTest, DistinctExitCodesForWrongPasswordMissingAndDamagedFiles) {
  const ProfileFileOptions key{kSerial, nullptr};
  EncipherToFile(File("a.nmr"), kDocument, "pw123", key);
  EncipherToFile(File("cut.nmr"), kDocument.substr(0, kDocument.size() - 10), "pw123", key);
  EncipherToFile(File("badtype.nmr"), "<?nmr>\r\n<Account> <Type>x</Type><ID>9</ID></Account>\r\n<?end>",
                 "pw123", key);
  std::ofstream(File("empty.nmr")).close();

  struct Case {
    std::string file, password;
    int code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"a.nmr", "PW123", 4, "Wrong password"},
      {"nothere.nmr", "pw123", 3, "Data file not found"},
      {"empty.nmr", "pw123", 5, "Error loading profile"},
      {"cut.nmr", "pw123", 5, "File is damaged"},
      {"badtype.nmr", "pw123", 5, "has the type \"x\""},
  };
  for (const Case& c : cases) {
    Result r = Run({"profile", "show", File(c.file), "--password-stdin", "--volume-serial", kSerialArg},
                   c.password + "\n");
    EXPECT_EQ(r.code, c.code) << c.file << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.file << ": " << r.err;
    EXPECT_TRUE(r.out.empty()) << c.file;
  }
  // The same file keyed for another volume reads as a wrong password.
  Result other =
      Run({"profile", "show", File("a.nmr"), "--password-stdin", "--volume-serial", "0BADF00E"}, "pw123\n");
  EXPECT_EQ(other.code, 4);
}

TEST_F(CliTest, EncipherRefusesWhatIsNotAReadableDocument) {
  const std::vector<std::string> inputs = {
      "pw123\nhello\n",                                                  // not a document
      "pw123\n<?nmr version=\"4.4\"?>\r\n<Account> <Type>0</Type>\r\n",  // no trailer
      "pw123\n<?nmr>\r\n<Account> <Type>1</Type><Refresh>99999</Refresh></Account>\r\n<?end>",  // refused by
                                                                                                // the reader
  };
  for (const std::string& input : inputs) {
    Result r =
        Run({"profile", "encipher", File("n.nmr"), "--password-stdin", "--volume-serial", kSerialArg}, input);
    EXPECT_EQ(r.code, 5) << r.err;
    EXPECT_FALSE(fs::exists(File("n.nmr")));
  }
  Result shortpw =
      Run({"profile", "encipher", File("n.nmr"), "--password-stdin", "--volume-serial", kSerialArg},
          "pw\n<?nmr> <?end>");
  EXPECT_EQ(shortpw.code, 2);
  EXPECT_FALSE(fs::exists(File("n.nmr")));
}

TEST_F(CliTest, RekeyMovesAProfileToTheKeyOfItsNewVolumeAndKeepsABackup) {
  const std::string path = File("moved.nmr");
  EncipherToFile(path, kDocument, "pw123", ProfileFileOptions{0x11111111u, nullptr});
  const std::string old_bytes = ReadFileBytes(path);

  // A wrong old serial changes nothing.
  Result wrong = Run({"profile", "rekey", path, "--from-serial", "22222222", "--password-stdin"}, "pw123\n");
  EXPECT_EQ(wrong.code, 4) << wrong.err;
  EXPECT_EQ(ReadFileBytes(path), old_bytes);
  EXPECT_FALSE(fs::exists(path + ".bak"));

  Result r = Run({"profile", "rekey", path, "--from-serial", "1111-1111", "--password-stdin"}, "pw123\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(path + ".bak"), old_bytes);
  EXPECT_EQ(DecipherFile(path, "pw123"), kDocument);  // keyed for the folder's own volume now

  // Again from an explicit serial to another: a second backup, the first one kept.
  char serial_text[16];
  std::snprintf(serial_text, sizeof serial_text, "%08X", VolumeSerialOf(dir_.string()));
  Result again = Run(
      {"profile", "rekey", path, "--from-serial", serial_text, "--volume-serial", "ABCD", "--password-stdin"},
      "pw123\n");
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_EQ(ReadFileBytes(path + ".bak"), old_bytes);
  EXPECT_TRUE(fs::exists(path + ".bak.2"));
  EXPECT_EQ(DecipherFile(path, "pw123", ProfileFileOptions{0xABCDu, nullptr}), kDocument);
}

// A legacy profile keeps its format through every command until `profile upgrade`, which
// replaces it (keeping the old file only with --keep-backup).
TEST_F(CliTest, LegacyProfileStaysLegacyUntilUpgraded) {
  const ProfileFileOptions key{kSerial, nullptr};
  const std::vector<std::string> serial{"--password-stdin", "--volume-serial", kSerialArg};
  const auto run = [&](std::vector<std::string> args, const std::string& input) {
    args.insert(args.end(), serial.begin(), serial.end());
    return Run(args, input);
  };
  const std::string path = File("old.nmr");
  EncipherToFile(path, kDocument, "pw123", key);
  Result shown = run({"profile", "show", path}, "pw123\n");
  ASSERT_EQ(shown.code, 0) << shown.err;
  EXPECT_EQ(shown.out.rfind("Format: legacy (RC4 with a 40-bit key, no salt and no integrity check)\n", 0),
            0u);
  // Enciphered again, in place: still legacy.
  ASSERT_EQ(run({"profile", "encipher", path}, "pw123\n" + kDocument).code, 0);
  EXPECT_EQ(DecipherFile(path, "pw123", key), kDocument);

  // A wrong password upgrades nothing.
  const std::string old_bytes = ReadFileBytes(path);
  EXPECT_EQ(run({"profile", "upgrade", path}, "PW123\n").code, 4);
  EXPECT_EQ(ReadFileBytes(path), old_bytes);

  Result up = run({"profile", "upgrade", path}, "pw123\n");
  ASSERT_EQ(up.code, 0) << up.err;
  EXPECT_TRUE(IsStrongProfileFile(ReadFileBytes(path)));
  EXPECT_EQ(OpenProfileFile(path, "pw123", key).text.str(), kDocument);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1) << "no backup, no temporary file";
  EXPECT_EQ(run({"profile", "show", path}, "pw123\n").out.rfind("Format: strong (Argon2id", 0), 0u);
  // Once more: nothing to do, nothing written.
  const std::string strong_bytes = ReadFileBytes(path);
  Result again = run({"profile", "upgrade", path}, "pw123\n");
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.err.find("already"), std::string::npos) << again.err;
  EXPECT_EQ(ReadFileBytes(path), strong_bytes);
  // Enciphered again, a strong file stays strong.
  ASSERT_EQ(run({"profile", "encipher", path}, "pw123\n" + kDocument).code, 0);
  EXPECT_TRUE(IsStrongProfileFile(ReadFileBytes(path)));

  // --keep-backup keeps the legacy file beside the upgraded one.
  const std::string kept = File("kept.nmr");
  EncipherToFile(kept, kDocument, "pw123", key);
  const std::string kept_bytes = ReadFileBytes(kept);
  ASSERT_EQ(run({"profile", "upgrade", kept, "--keep-backup"}, "pw123\n").code, 0);
  EXPECT_EQ(ReadFileBytes(kept + ".bak"), kept_bytes);
  EXPECT_TRUE(IsStrongProfileFile(ReadFileBytes(kept)));

  // --legacy writes a new file in the old format.
  const std::string fresh = File("fresh.nmr");
  ASSERT_EQ(run({"profile", "encipher", fresh, "--legacy"}, "pw123\n" + kDocument).code, 0);
  EXPECT_EQ(DecipherFile(fresh, "pw123", key), kDocument);
}

TEST_F(CliTest, VolumeSerialLinkAndUsage) {
  Result v = Run({"volume-serial", dir_.string()});
  ASSERT_EQ(v.code, 0) << v.err;
  char expected[16];
  std::snprintf(expected, sizeof expected, "%08X", VolumeSerialOf(dir_.string()));
  EXPECT_EQ(v.out.substr(0, 8), expected);
  Result missing = Run({"volume-serial", File("no/such/place")});
  EXPECT_EQ(missing.code, 6);
  EXPECT_NE(missing.err.find("no/such/place"), std::string::npos);

  Result link = Run({"link", "nmr://payto=U1234567&amount=12.5&memo=rent 'a&b'&merchant=Shop/"});
  ASSERT_EQ(link.code, 0);
  EXPECT_EQ(
      link.out,
      "Pay to: U1234567\nPay to field: Liberty Reserve\nAmount: 12.5\nMemo: rent 'a&b'\nMerchant: Shop\n");
  Result empty_link = Run({"link", "nmr://"});
  EXPECT_EQ(empty_link.code, 0);
  EXPECT_NE(empty_link.out.find("no payment fields"), std::string::npos);

  Result help = Run({"--help"});
  EXPECT_EQ(help.code, 0);
  for (const char* word : {"profile show", "profile rekey", "volume-serial", "link", "Exit codes"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"nonsense"},
           {"profile"},
           {"profile", "show"},
           {"profile", "show", File("a.nmr"), "--bogus"},
           {"profile", "show", File("a.nmr"), "--volume-serial", "XYZ"},
           {"profile", "rekey", File("a.nmr"), "--password-stdin"},
           {"profile", "show", File("a.nmr")},  // no terminal and no --password-stdin
       }) {
    Result r = Run(args);
    EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args) << ": " << r.err;
    EXPECT_FALSE(r.err.empty());
  }
}

}  // namespace
}  // namespace nummora
