#pragma once
// The 32-bit serial number of the filesystem that holds a path. The profile cipher mixes it
// into its key, so a profile file copied to another volume no longer opens with the password
// alone.
//
// FAT, exFAT and NTFS volumes carry a serial of their own (shown by blkid as "ABCD-EF01" or as
// 16 hexadecimal digits for NTFS); it is found through /dev/disk/by-uuid. Every other
// filesystem gives the filesystem id reported by statvfs, folded to 32 bits.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/errors.h"

namespace nummora {

// No serial number can be had for a path; the message names the path.
class EVolumeSerialError : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

// The serial of the volume that holds `path` (a file or folder that exists). Throws
// EVolumeSerialError when none can be had; it never guesses.
uint32_t VolumeSerialOf(const std::string& path);

// Where a serial came from, for display ("vfat serial", "filesystem id").
struct VolumeSerialInfo {
  uint32_t serial = 0;
  std::string filesystem;  // type as the kernel names it: "vfat", "ext4", ...
  std::string source;      // "volume serial" or "filesystem id"
};
VolumeSerialInfo DescribeVolumeSerial(const std::string& path);

// Where the lookup reads the mount table and the volume names; tests point them elsewhere.
struct VolumeSerialSources {
  std::string mountinfo_path = "/proc/self/mountinfo";
  std::string by_uuid_folder = "/dev/disk/by-uuid";
};
VolumeSerialInfo DescribeVolumeSerial(const std::string& path, const VolumeSerialSources& sources);

// --- pieces, exposed for tests ---

// A volume serial from its by-uuid name: "ABCD-EF01" gives 0xABCDEF01; 16 hexadecimal digits
// (NTFS) give their low 32 bits. Anything else gives nothing.
std::optional<uint32_t> SerialFromUuidText(std::string_view uuid);

// The statvfs filesystem id folded to 32 bits: low word xor high word.
uint32_t FoldFilesystemId(uint64_t fsid);

// Whether a filesystem type carries a volume serial of the FAT/NTFS kind. "fuseblk" counts
// (ntfs-3g and exfat-fuse mount that way); its by-uuid name decides.
bool FilesystemCarriesSerial(std::string_view fstype);

// One line of /proc/self/mountinfo.
struct MountEntry {
  unsigned major = 0;
  unsigned minor = 0;
  std::string mount_point;
  std::string fstype;
  std::string source;
};
// The first entry of a mountinfo text whose device numbers are major:minor.
std::optional<MountEntry> FindMountEntry(std::string_view mountinfo, unsigned major, unsigned minor);

}  // namespace nummora
