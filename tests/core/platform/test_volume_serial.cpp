#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/volume_serial.h"

namespace nummora {
namespace {

struct UuidCase {
  const char* text;
  std::optional<uint32_t> serial;
};

class SerialFromUuidTest : public ::testing::TestWithParam<UuidCase> {};

TEST_P(SerialFromUuidTest, ReadsFatAndNtfsSerials) {
  EXPECT_EQ(SerialFromUuidText(GetParam().text), GetParam().serial);
}

INSTANTIATE_TEST_SUITE_P(Texts, SerialFromUuidTest,
                         ::testing::Values(UuidCase{"ABCD-EF01", 0xABCDEF01u},
                                           UuidCase{"abcd-ef01", 0xABCDEF01u}, UuidCase{"0000-0001", 1u},
                                           UuidCase{"0123456789ABCDEF", 0x89ABCDEFu},  // NTFS: low 32 bits
                                           UuidCase{"FEDCBA9801234567", 0x01234567u},
                                           // An ext4 or btrfs UUID is not a volume serial of that kind.
                                           UuidCase{"4f3c1a2e-9b7d-4c1e-8f2a-0d9e8b7c6a5f", std::nullopt},
                                           UuidCase{"ABCDEF01", std::nullopt},
                                           UuidCase{"ABCD_EF01", std::nullopt},
                                           UuidCase{"ABCG-EF01", std::nullopt},
                                           UuidCase{"0123456789ABCDEG", std::nullopt},
                                           UuidCase{"", std::nullopt}));

TEST(VolumeSerialTest, FoldsTheFilesystemIdWordsWithXor) {
  EXPECT_EQ(FoldFilesystemId(0xf1620f8568708312ull), 0xf1620f85u ^ 0x68708312u);
  EXPECT_EQ(FoldFilesystemId(0x00000000DEADBEEFull), 0xDEADBEEFu);
  EXPECT_EQ(FoldFilesystemId(0xDEADBEEF00000000ull), 0xDEADBEEFu);
  EXPECT_EQ(FoldFilesystemId(0x1234567812345678ull), 0u);
}

TEST(VolumeSerialTest, KnowsWhichFilesystemsCarryASerial) {
  for (const char* t : {"vfat", "msdos", "exfat", "ntfs", "ntfs3", "fuseblk"})
    EXPECT_TRUE(FilesystemCarriesSerial(t)) << t;
  for (const char* t : {"ext4", "btrfs", "tmpfs", "overlay", "nfs", "xfs", ""})
    EXPECT_FALSE(FilesystemCarriesSerial(t)) << t;
}

const char* const kMountinfo =
    "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard\n"
    "24 23 0:22 / /dev/shm rw,relatime - tmpfs tmpfs rw,size=24683716k\n"
    "90 26 8:17 / /media/usb\\040stick rw,nosuid shared:45 - vfat /dev/sdb1 rw,fmask=0022\n"
    "91 26 8:33 / /mnt/win rw,relatime shared:50 master:1 - fuseblk /dev/sdc1 rw,user_id=0\n"
    "garbage line\n"
    "92 26 x:y / /bad rw - ext4 /dev/bad rw\n";

TEST(VolumeSerialTest, FindsTheMountOfADevice) {
  auto root = FindMountEntry(kMountinfo, 254, 0);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->fstype, "ext4");
  EXPECT_EQ(root->source, "/dev/vda");
  auto usb = FindMountEntry(kMountinfo, 8, 17);
  ASSERT_TRUE(usb);
  EXPECT_EQ(usb->mount_point, "/media/usb stick");
  EXPECT_EQ(usb->fstype, "vfat");
  EXPECT_EQ(usb->source, "/dev/sdb1");
  auto ntfs = FindMountEntry(kMountinfo, 8, 33);  // two optional fields before "-"
  ASSERT_TRUE(ntfs);
  EXPECT_EQ(ntfs->fstype, "fuseblk");
  EXPECT_EQ(ntfs->source, "/dev/sdc1");
  EXPECT_FALSE(FindMountEntry(kMountinfo, 8, 1));
  EXPECT_FALSE(FindMountEntry("", 254, 0));
}

// On this machine's own filesystems (no FAT or NTFS in a test run) the serial is the folded
// filesystem id, the same for every path on one filesystem.
TEST(VolumeSerialTest, UsesTheFilesystemIdOfTheHoldingFilesystem) {
  const char* dir = ::getenv("TMPDIR") != nullptr ? ::getenv("TMPDIR") : "/tmp";
  VolumeSerialInfo info = DescribeVolumeSerial(dir);
  ASSERT_FALSE(FilesystemCarriesSerial(info.filesystem)) << "test folder is on " << info.filesystem;
  struct statvfs vfs {};
  ASSERT_EQ(::statvfs(dir, &vfs), 0);
  EXPECT_EQ(info.serial, FoldFilesystemId(vfs.f_fsid));
  EXPECT_EQ(info.source, "filesystem id");
  EXPECT_EQ(VolumeSerialOf(dir), info.serial);
}

// A stand-in mount table that puts the test folder on a FAT, NTFS or other volume, and a
// stand-in by-uuid folder whose entries link to stand-in device files.
class FakeVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/nummora-volume-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    ::mkdir((root_ + "/dev").c_str(), 0700);
    ::mkdir((root_ + "/by-uuid").c_str(), 0700);
    ::mkdir((root_ + "/data").c_str(), 0700);
    std::ofstream(root_ + "/dev/sdb1").close();
    std::ofstream(root_ + "/dev/sdc1").close();
    struct stat st {};
    ASSERT_EQ(::stat((root_ + "/data").c_str(), &st), 0);
    major_ = major(st.st_dev);
    minor_ = minor(st.st_dev);
    sources_.mountinfo_path = root_ + "/mountinfo";
    sources_.by_uuid_folder = root_ + "/by-uuid";
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  void Mount(const std::string& fstype, const std::string& device) {
    std::ofstream(sources_.mountinfo_path)
        << "1 0 0:1 / /other rw - ext4 /dev/other rw\n"
        << "2 1 " << major_ << ":" << minor_ << " / /media/x rw shared:1 - " << fstype << " " << root_
        << "/dev/" << device << " rw\n";
  }
  void Name(const std::string& uuid, const std::string& device) {
    ASSERT_EQ(::symlink(("../dev/" + device).c_str(), (root_ + "/by-uuid/" + uuid).c_str()), 0);
  }
  uint32_t FsidSerial() {
    struct statvfs vfs {};
    EXPECT_EQ(::statvfs((root_ + "/data").c_str(), &vfs), 0);
    return FoldFilesystemId(vfs.f_fsid);
  }

  std::string root_;
  unsigned major_ = 0, minor_ = 0;
  VolumeSerialSources sources_;
};

TEST_F(FakeVolumeTest, FatVolumeGivesItsOwnSerial) {
  Mount("vfat", "sdb1");
  Name("4f3c1a2e-9b7d-4c1e-8f2a-0d9e8b7c6a5f", "sdc1");
  Name("ABCD-EF01", "sdb1");
  VolumeSerialInfo info = DescribeVolumeSerial(root_ + "/data", sources_);
  EXPECT_EQ(info.serial, 0xABCDEF01u);
  EXPECT_EQ(info.filesystem, "vfat");
  EXPECT_EQ(info.source, "volume serial");
}

TEST_F(FakeVolumeTest, NtfsThroughFuseGivesTheLowHalfOfItsSerial) {
  Mount("fuseblk", "sdb1");
  Name("0123456789ABCDEF", "sdb1");
  EXPECT_EQ(DescribeVolumeSerial(root_ + "/data", sources_).serial, 0x89ABCDEFu);
}

TEST_F(FakeVolumeTest, FatVolumeWithoutANameFailsInsteadOfGuessing) {
  Mount("exfat", "sdb1");
  Name("1111-2222", "sdc1");  // another device
  try {
    DescribeVolumeSerial(root_ + "/data", sources_);
    FAIL() << "a serial was made up";
  } catch (const EVolumeSerialError& e) {
    EXPECT_NE(std::string(e.what()).find(root_ + "/data"), std::string::npos) << e.what();
  }
}

TEST_F(FakeVolumeTest, OtherFilesystemsUseTheFilesystemId) {
  Mount("ext4", "sdb1");
  Name("ABCD-EF01", "sdb1");  // ignored: ext4 carries no volume serial of that kind
  EXPECT_EQ(DescribeVolumeSerial(root_ + "/data", sources_).serial, FsidSerial());
  // A FUSE block volume whose name is not a FAT or NTFS serial is treated the same way.
  Mount("fuseblk", "sdc1");
  Name("4f3c1a2e-9b7d-4c1e-8f2a-0d9e8b7c6a5f", "sdc1");
  EXPECT_EQ(DescribeVolumeSerial(root_ + "/data", sources_).serial, FsidSerial());
}

TEST(VolumeSerialTest, MissingPathFailsWithItsName) {
  try {
    VolumeSerialOf("/no/such/folder/anywhere");
    FAIL() << "no error";
  } catch (const EVolumeSerialError& e) {
    EXPECT_NE(std::string(e.what()).find("/no/such/folder/anywhere"), std::string::npos);
  }
}

}  // namespace
}  // namespace nummora
