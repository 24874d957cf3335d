#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/ini_file_io.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

TEST(IniFileIoTest, SaveIsPrivateAndLoadOfAMissingFileIsEmpty) {
  test::NetTempDir dir;
  std::filesystem::path file = dir / "export.nex";
  EXPECT_TRUE(LoadIniFile(file).ReadSections().empty());
  {
    std::ofstream old(file);
    old << "[General]\nComment=old\n";
  }
  ::chmod(file.c_str(), 0644);
  IniFile ini = LoadIniFile(file);
  ini.WriteString("General", "Comment", "new");
  SaveIniFile(file, ini);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(LoadIniFile(file).ReadString("General", "Comment"), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temp left
  EXPECT_THROW(SaveIniFile(dir / "missing-folder" / "x.nex", ini), IniError);
  EXPECT_THROW(LoadIniFile(dir.path()), IniError);  // a folder cannot be read as a file
}

}  // namespace
}  // namespace nummora
