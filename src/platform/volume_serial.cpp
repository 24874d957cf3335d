#include "platform/volume_serial.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace nummora {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<uint64_t> ParseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 16) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    int v = HexValue(c);
    if (v < 0) return std::nullopt;
    value = (value << 4) | static_cast<uint64_t>(v);
  }
  return value;
}

// Unescapes the octal escapes (\040 for a blank) that mountinfo uses in paths.
std::string UnescapeMountField(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '7' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out +=
          static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::string ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The by-uuid name of the device `device`, or empty when it has none. An entry names the
// device when it links to the same file, or to a block device with the same device number.
std::string UuidOfDevice(const std::string& device, const std::string& by_uuid_folder) {
  struct stat dev_stat {};
  if (stat(device.c_str(), &dev_stat) != 0) return {};
  char resolved_device[PATH_MAX];
  if (realpath(device.c_str(), resolved_device) == nullptr) return {};
  DIR* dir = opendir(by_uuid_folder.c_str());
  if (dir == nullptr) return {};
  std::string found;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const std::string link = by_uuid_folder + "/" + entry->d_name;
    struct stat link_stat {};
    if (stat(link.c_str(), &link_stat) != 0) continue;
    char resolved_link[PATH_MAX];
    const bool same_file =
        realpath(link.c_str(), resolved_link) != nullptr && std::strcmp(resolved_link, resolved_device) == 0;
    const bool same_block_device =
        S_ISBLK(link_stat.st_mode) && S_ISBLK(dev_stat.st_mode) && link_stat.st_rdev == dev_stat.st_rdev;
    if (same_file || same_block_device) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

}  // namespace

std::optional<uint32_t> SerialFromUuidText(std::string_view uuid) {
  if (uuid.size() == 9 && uuid[4] == '-') {
    std::string digits = std::string(uuid.substr(0, 4)) + std::string(uuid.substr(5, 4));
    if (auto v = ParseHex(digits)) return static_cast<uint32_t>(*v);
    return std::nullopt;
  }
  if (uuid.size() == 16) {
    if (auto v = ParseHex(uuid)) return static_cast<uint32_t>(*v & 0xFFFFFFFFu);
  }
  return std::nullopt;
}

uint32_t FoldFilesystemId(uint64_t fsid) {
  return static_cast<uint32_t>(fsid & 0xFFFFFFFFu) ^ static_cast<uint32_t>(fsid >> 32);
}

bool FilesystemCarriesSerial(std::string_view fstype) {
  return fstype == "vfat" || fstype == "msdos" || fstype == "fat" || fstype == "exfat" || fstype == "ntfs" ||
         fstype == "ntfs3" || fstype == "fuseblk";
}

std::optional<MountEntry> FindMountEntry(std::string_view mountinfo, unsigned major, unsigned minor) {
  size_t pos = 0;
  while (pos < mountinfo.size()) {
    size_t end = mountinfo.find('\n', pos);
    if (end == std::string_view::npos) end = mountinfo.size();
    std::string_view line = mountinfo.substr(pos, end - pos);
    pos = end + 1;

    std::vector<std::string_view> fields;
    size_t f = 0;
    while (f < line.size()) {
      size_t sp = line.find(' ', f);
      if (sp == std::string_view::npos) sp = line.size();
      if (sp > f) fields.push_back(line.substr(f, sp - f));
      f = sp + 1;
    }
    // id parent major:minor root mount-point options [optional...] - fstype source super-options
    if (fields.size() < 7) continue;
    std::string_view dev = fields[2];
    size_t colon = dev.find(':');
    if (colon == std::string_view::npos) continue;
    unsigned ma = 0, mi = 0;
    try {
      ma = static_cast<unsigned>(std::stoul(std::string(dev.substr(0, colon))));
      mi = static_cast<unsigned>(std::stoul(std::string(dev.substr(colon + 1))));
    } catch (const std::exception&) {
      continue;
    }
    if (ma != major || mi != minor) continue;
    size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (dash + 2 >= fields.size()) continue;
    MountEntry e;
    e.major = ma;
    e.minor = mi;
    e.mount_point = UnescapeMountField(fields[4]);
    e.fstype = std::string(fields[dash + 1]);
    e.source = UnescapeMountField(fields[dash + 2]);
    return e;
  }
  return std::nullopt;
}

VolumeSerialInfo DescribeVolumeSerial(const std::string& path) {
  return DescribeVolumeSerial(path, {});
}

VolumeSerialInfo DescribeVolumeSerial(const std::string& path, const VolumeSerialSources& sources) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    throw EVolumeSerialError("Cannot read the volume serial number of " + path + ": " + std::strerror(errno));
  }
  VolumeSerialInfo info;
  std::string mountinfo = ReadWholeFile(sources.mountinfo_path.c_str());
  auto mount = FindMountEntry(mountinfo, major(st.st_dev), minor(st.st_dev));
  if (mount) info.filesystem = mount->fstype;

  if (mount && FilesystemCarriesSerial(mount->fstype)) {
    std::string uuid = UuidOfDevice(mount->source, sources.by_uuid_folder);
    std::optional<uint32_t> serial = SerialFromUuidText(uuid);
    if (serial) {
      info.serial = *serial;
      info.source = "volume serial";
      return info;
    }
    // A FAT or NTFS volume whose serial cannot be found must not fall back to another number:
    // the key would change once the serial becomes readable again.
    if (mount->fstype != "fuseblk") {
      throw EVolumeSerialError("Cannot read the volume serial number of " + path + ": the " + mount->fstype +
                               " volume " + mount->source + " is not listed in " + sources.by_uuid_folder);
    }
  }

  struct statvfs vfs {};
  if (statvfs(path.c_str(), &vfs) != 0) {
    throw EVolumeSerialError("Cannot read the volume serial number of " + path + ": " + std::strerror(errno));
  }
  uint64_t fsid = static_cast<uint64_t>(vfs.f_fsid);
  if (fsid == 0) {
    throw EVolumeSerialError("Cannot read the volume serial number of " + path +
                             ": its filesystem reports no identifier");
  }
  info.serial = FoldFilesystemId(fsid);
  info.source = "filesystem id";
  return info;
}

uint32_t VolumeSerialOf(const std::string& path) {
  return DescribeVolumeSerial(path).serial;
}

}  // namespace nummora
