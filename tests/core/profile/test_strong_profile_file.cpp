// The strong profile file format (docs/profile-format.md): round trips, refusal of every damaged,
// cut or out-of-bounds file, a wrong key told from damage, fresh nonces, and the key kept for the
// run. Keys are derived with the smallest parameters a reader accepts, to keep the tests quick.
#include <gtest/gtest.h>
#include <sodium.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "profile/document.h"
#include "profile/profile_file.h"
#include "profile/profile_open.h"
#include "profile/strong_format.h"

namespace nummora {
namespace {

namespace fs = std::filesystem;

const ProfileFileOptions kVolumeA{0x1234ABCDu, nullptr};
const ProfileFileOptions kVolumeB{0x1234ABCEu, nullptr};

class StrongFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "nummora-strong-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }
  static ProfileKey Key(const std::string& password) {
    return ProfileKey(password, ProfileFormat::kStrong, kMinKdfParams);
  }
  void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  fs::path dir_;
};

std::string Pattern(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return text;
}

// The salt of a strong file (offset 24).
std::string SaltOf(const std::string& file) {
  return file.substr(24, 16);
}

class StrongRoundTripTest : public StrongFileTest, public ::testing::WithParamInterface<size_t> {};

// The document comes back byte for byte through a key derived anew from the file's header.
TEST_P(StrongRoundTripTest, ReadsBackThroughAKeyDerivedFromTheHeader) {
  const std::string path = File("p.nmr"), text = Pattern(GetParam());
  ProfileKey key = Key("pw1");
  WriteProfileFile(path, text, key, kVolumeA);
  const std::string bytes = ReadProfileFileBytes(path);
  ASSERT_EQ(bytes.size(), text.size() + kStrongOverhead);
  EXPECT_EQ((fs::status(path).permissions() & fs::perms::all),
            fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(IsStrongProfileFile(bytes));
  StrongHeader header;
  ASSERT_EQ(ReadStrongHeader(bytes, header), StrongFileCheck::kOk);
  EXPECT_EQ(header.params, kMinKdfParams);
  DerivedProfileKey derived("pw1", kVolumeA.volume_serial.value(), header.params, header.salt);
  std::string back;
  ASSERT_EQ(UnsealProfile(bytes, derived, back), StrongFileCheck::kOk);
  EXPECT_TRUE(back == text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, StrongRoundTripTest, ::testing::Values(0, 13, 261120, 600000));

TEST_F(StrongFileTest, EverySingleByteFlipIsRefusedAsDamage) {
  const std::string path = File("p.nmr");
  ProfileKey key = Key("pw1");
  WriteProfileFile(path, kEmptyProfileDocument, key, kVolumeA);
  const std::string good = ReadProfileFileBytes(path);
  ASSERT_EQ(good.size(), 13 + kStrongOverhead);
  for (size_t at = 0; at < good.size(); ++at) {
    for (unsigned char flip : {0x01, 0x80}) {
      std::string bad = good;
      bad[at] = static_cast<char>(bad[at] ^ flip);
      ProfileOpenResult r = OpenStrongProfile(bad, "pw1", *kVolumeA.volume_serial);
      ASSERT_TRUE(IsStrongProfileFile(bad)) << "byte " << at;
      EXPECT_EQ(r.status, ProfileOpenStatus::kDamaged) << "byte " << at << " ^ " << int(flip);
      EXPECT_EQ(r.message.rfind("The profile file is damaged", 0), 0u) << r.message;
      EXPECT_TRUE(r.text.str().empty());
    }
  }
  // The good file, for comparison, and a wrong password or another volume, which are no damage.
  EXPECT_EQ(OpenStrongProfile(good, "pw1", *kVolumeA.volume_serial).status, ProfileOpenStatus::kOpened);
  EXPECT_EQ(OpenProfileFile(path, "pw1", kVolumeA).status, ProfileOpenStatus::kOpened);
  for (const auto& [password, volume] : {std::pair{"Pw1", kVolumeA}, std::pair{"pw1", kVolumeB}}) {
    ProfileOpenResult r = OpenProfileFile(path, password, volume);
    EXPECT_EQ(r.status, ProfileOpenStatus::kWrongPassword) << password;
    EXPECT_TRUE(r.text.str().empty());
  }
}

TEST_F(StrongFileTest, CutFilesAreRefused) {
  ProfileKey key = Key("pw1");
  WriteProfileFile(File("p.nmr"), kEmptyProfileDocument, key, kVolumeA);
  const std::string good = ReadProfileFileBytes(File("p.nmr"));
  for (size_t length = 0; length < good.size(); ++length) {
    WriteBytes(File("cut.nmr"), good.substr(0, length));
    ProfileOpenResult r = OpenProfileFile(File("cut.nmr"), "pw1", kVolumeA);
    // Three bytes or fewer cannot be told from a legacy file; they are refused all the same.
    EXPECT_NE(r.status, ProfileOpenStatus::kOpened) << length;
    if (length >= 4) {
      EXPECT_EQ(r.status, ProfileOpenStatus::kDamaged) << length;
    }
  }
}

// A header whose checksum holds but whose parameters or algorithms a reader must not follow.
struct HeaderCase {
  const char* name;
  size_t at;       // where the value goes
  uint32_t value;  // written as 1 byte (at < 12) or 4 bytes
  StrongFileCheck check;
};

class StrongHeaderBoundsTest : public StrongFileTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(StrongHeaderBoundsTest, IsRefusedBeforeAnyKeyIsDerived) {
  const HeaderCase& c = GetParam();
  ProfileKey key = Key("pw1");
  WriteProfileFile(File("p.nmr"), kEmptyProfileDocument, key, kVolumeA);
  std::string bytes = ReadProfileFileBytes(File("p.nmr"));
  if (c.at < 12) {
    bytes[c.at] = static_cast<char>(c.value);
  } else {
    for (int i = 0; i < 4; ++i) bytes[c.at + i] = static_cast<char>(c.value >> (8 * i));
  }
  // The checksum made again as docs/profile-format.md says: BLAKE2b-128 of bytes 0 to 79.
  crypto_generichash(reinterpret_cast<unsigned char*>(bytes.data()) + 80, 16,
                     reinterpret_cast<const unsigned char*>(bytes.data()), 80, nullptr, 0);
  StrongHeader header;
  EXPECT_EQ(ReadStrongHeader(bytes, header), c.check);
  if (c.check == StrongFileCheck::kOk) return;
  const auto start = std::chrono::steady_clock::now();
  ProfileOpenResult r = OpenStrongProfile(bytes, "pw1", *kVolumeA.volume_serial);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.status, ProfileOpenStatus::kDamaged);
  EXPECT_LT(took, std::chrono::milliseconds(100));
}

INSTANTIATE_TEST_SUITE_P(
    Headers, StrongHeaderBoundsTest,
    ::testing::Values(HeaderCase{"MemoryHuge", 12, 0xFFFFFFFFu, StrongFileCheck::kUnsupported},
                      HeaderCase{"MemoryOverOneGiB", 12, 1048577, StrongFileCheck::kUnsupported},
                      HeaderCase{"MemoryUnder8MiB", 12, 8191, StrongFileCheck::kUnsupported},
                      HeaderCase{"PassesHuge", 16, 0xFFFFFFFFu, StrongFileCheck::kUnsupported},
                      HeaderCase{"PassesOver16", 16, 17, StrongFileCheck::kUnsupported},
                      HeaderCase{"NoPasses", 16, 0, StrongFileCheck::kUnsupported},
                      HeaderCase{"TwoLanes", 20, 2, StrongFileCheck::kUnsupported},
                      HeaderCase{"OtherKdf", 9, 2, StrongFileCheck::kUnsupported},
                      HeaderCase{"OtherCipher", 10, 2, StrongFileCheck::kUnsupported},
                      HeaderCase{"ReservedSet", 11, 1, StrongFileCheck::kUnsupported},
                      HeaderCase{"NewerVersion", 8, 2, StrongFileCheck::kUnknownVersion},
                      HeaderCase{"MostPasses", 16, 16, StrongFileCheck::kOk}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST_F(StrongFileTest, WorkOfMemoryAndPassesTogetherIsBounded) {
  EXPECT_TRUE(KdfParamsInBounds({1048576, 4}));
  EXPECT_FALSE(KdfParamsInBounds({1048576, 5}));
  EXPECT_TRUE(KdfParamsInBounds({262144, 16}));
  EXPECT_TRUE(KdfParamsInBounds(kDefaultKdfParams));
}

TEST_F(StrongFileTest, SavesKeepTheKeyAndDrawANewNonceEachTime) {
  const std::string path = File("p.nmr");
  ProfileKey key = Key("pw1");
  WriteProfileFile(path, kEmptyProfileDocument, key, kVolumeA);
  const std::string first = ReadProfileFileBytes(path);
  WriteProfileFile(path, kEmptyProfileDocument, key, kVolumeA);
  const std::string second = ReadProfileFileBytes(path);
  // The same content gives another file (nonce, key check, checksum, ciphertext, tag) with the
  // salt of the key kept.
  EXPECT_NE(first, second);
  EXPECT_EQ(SaltOf(first), SaltOf(second));
  EXPECT_NE(first.substr(40, 24), second.substr(40, 24));
  EXPECT_NE(first.substr(96), second.substr(96));
  EXPECT_EQ(OpenProfileFile(path, "pw1", kVolumeA).text.str(), kEmptyProfileDocument);

  // Another volume, or a new password, gets a key of its own with a new salt.
  WriteProfileFile(path, kEmptyProfileDocument, key, kVolumeB);
  EXPECT_NE(SaltOf(ReadProfileFileBytes(path)), SaltOf(first));
  ProfileKey changed = Key("pw2");
  WriteProfileFile(path, kEmptyProfileDocument, changed, kVolumeA);
  EXPECT_NE(SaltOf(ReadProfileFileBytes(path)), SaltOf(first));
  EXPECT_EQ(OpenProfileFile(path, "pw1", kVolumeA).status, ProfileOpenStatus::kWrongPassword);

  // Opening keeps the file's key: the next save reuses its salt and parameters.
  ProfileOpenResult opened = OpenProfileFile(path, "pw2", kVolumeA);
  ASSERT_EQ(opened.status, ProfileOpenStatus::kOpened);
  ASSERT_EQ(opened.key.Format(), ProfileFormat::kStrong);
  const std::string before = SaltOf(ReadProfileFileBytes(path));
  WriteProfileFile(path, "<?nmr> x <?end>", opened.key, kVolumeA);
  EXPECT_EQ(SaltOf(ReadProfileFileBytes(path)), before);
  EXPECT_EQ(OpenProfileFile(path, "pw2", kVolumeA).text.str(), "<?nmr> x <?end>");
}

TEST_F(StrongFileTest, ALegacyProfileIsWrittenBackInTheLegacyFormat) {
  const std::string path = File("old.nmr");
  EncipherToFile(path, kEmptyProfileDocument, "pw1", kVolumeA);
  ProfileOpenResult opened = OpenProfileFile(path, "pw1", kVolumeA);
  ASSERT_EQ(opened.status, ProfileOpenStatus::kOpened);
  EXPECT_EQ(opened.key.Format(), ProfileFormat::kLegacy);
  ProfileModel model;
  model.RatesText = "x,1,2,3,4";
  ASSERT_TRUE(SaveProfile(model, opened.key, path, true, UsEnglishFormatSettings(), kVolumeA));
  const std::string bytes = ReadProfileFileBytes(path);
  EXPECT_FALSE(IsStrongProfileFile(bytes));
  EXPECT_NE(DecipherFile(path, "pw1", kVolumeA).find("<Rates>x,1,2,3,4</Rates>"), std::string::npos);
}

TEST_F(StrongFileTest, AFailedSaveKeepsTheOldFile) {
  class FailingRename : public FileOps {
   public:
    int Rename(const char*, const char*) override {
      errno = EXDEV;
      return -1;
    }
  } ops;
  const std::string path = File("p.nmr");
  ProfileKey key = Key("pw1");
  WriteProfileFile(path, kEmptyProfileDocument, key, kVolumeA);
  const std::string before = ReadProfileFileBytes(path);
  ProfileFileOptions failing = kVolumeA;
  failing.file_ops = &ops;
  EXPECT_THROW(WriteProfileFile(path, Pattern(600000), key, failing), EProfileFileError);
  EXPECT_EQ(ReadProfileFileBytes(path), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
}

}  // namespace
}  // namespace nummora
