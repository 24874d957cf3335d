// The rules of the preferences: the checks before saving, the proxy taken from the fields, the
// hotkey texts, the reading order of a load, the stored layout and the autostart entry.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "desktop/autostart.h"
#include "platform/settings_store.h"
#include "preferences/hotkey_text.h"
#include "preferences/preference_values.h"
#include "preferences/window_layout.h"

using namespace nummora;

namespace {

struct PortCase {
  bool useProxy;
  std::string port;
  bool accepted;
  int portUsed;
};

TEST(PreferenceRules, ProxyPortIsANumberFrom1To65535) {
  const PortCase cases[] = {
      {true, "8080", true, 8080}, {true, "1", true, 1},          {true, "65535", true, 65535},
      {true, "0", false, 0},      {true, "65536", false, 65536}, {true, "", false, 443},
      {true, "80a", false, 443},  {true, " 80", false, 443},     {true, "-1", false, -1},
      {false, "", true, 443},     {false, "abc", false, 443},    {false, "3128", true, 3128}};
  for (const PortCase& c : cases) {
    ProfileSettings v;
    v.useProxy = c.useProxy;
    v.proxyHost = "host";
    v.proxyPort = c.port;
    const auto problem = PreferenceProblem(v);
    EXPECT_EQ(!problem.has_value(), c.accepted) << "port '" << c.port << "'";
    if (problem) {
      EXPECT_NE(problem->find("Port"), std::string::npos) << *problem;
    }
    EXPECT_EQ(ProxyOf(v).ProxyPort, c.portUsed) << "port '" << c.port << "'";
  }
  ProfileSettings on;
  on.useProxy = true;
  on.proxyHost = "p";
  on.proxyPort = "81";
  EXPECT_EQ(ProxyHint(ProxyOf(on)), "Current proxy: p:81");
  on.useProxy = false;
  EXPECT_EQ(ProxyHint(ProxyOf(on)), "");
}

TEST(PreferenceRules, NewPasswordMustMatchAndHaveThreeCharacters) {
  EXPECT_TRUE(NewPasswordProblem("", ""));
  EXPECT_TRUE(NewPasswordProblem("ab", "ab"));
  EXPECT_TRUE(NewPasswordProblem("abc", "abd"));
  EXPECT_EQ(*NewPasswordProblem("abc", "abd"), "Wrong new password");
  EXPECT_FALSE(NewPasswordProblem("abc", "abc"));
}

TEST(PreferenceRules, ProxyListLines) {
  const std::string cases[][3] = {{"10.0.0.1:3128", "10.0.0.1", "3128"},
                                  {"host:12345678", "host", "123456"},
                                  {"1234567890", "", "123456"},
                                  {"a:b:c", "a", "b:c"},
                                  {":", "", ""}};
  for (const auto& c : cases) {
    std::string host = "x", port = "y";
    SplitProxyLine(c[0], host, port);
    EXPECT_EQ(host, c[1]) << c[0];
    EXPECT_EQ(port, c[2]) << c[0];
  }
  // The answer's lines (CR LF or LF), empty ones left out; a server that sends more than the
  // dialog can list is cut at the limits.
  EXPECT_EQ(ReadProxyList("\r\n10.0.0.1:3128\r\n\r\nlocalhost:8080\nlast"),
            (std::vector<std::string>{"10.0.0.1:3128", "localhost:8080", "last"}));
  std::string flood;
  for (std::size_t i = 0; i < kMaxProxyListEntries + 5; ++i) flood += std::string(300, 'h') + ":1\n";
  const std::vector<std::string> cut = ReadProxyList(flood);
  ASSERT_EQ(cut.size(), kMaxProxyListEntries);
  EXPECT_EQ(cut.back(), std::string(kMaxProxyLineLength, 'h'));
}

TEST(PreferenceRules, HotkeyTexts) {
  const std::pair<int, const char*> cases[] = {{24641, "Ctrl+Shift+A"},
                                               {24659, "Ctrl+Shift+S"},
                                               {0x8000 | 0x73, "Alt+F4"},
                                               {0x4000 | 0x21, "Ctrl+Page Up"},
                                               {0x2000 | 0x2E, "Shift+Delete"},
                                               {0x4000 | 175, "Ctrl+Volume Up"},
                                               {0x4000 | 183, "Ctrl+Start Application 2"},
                                               {0x10000 | 0x4000 | 0x31, "Ctrl+Win+1"},
                                               {0xC000 | 0x62, "Ctrl+Alt+Num 2"},
                                               {0, ""}};
  for (const auto& [value, text] : cases) EXPECT_EQ(HotkeyText(value), text) << value;
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("nummora-prefs-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    store = std::make_unique<SettingsStore>(dir / "settings.db");
    store->SetRootKey(RootKey::LocalMachine);
    store->OpenKey("\\Software\\Quillan\\Nummora\\alice", true);
  }
  void TearDown() override {
    store.reset();
    std::filesystem::remove_all(dir);
  }
  std::filesystem::path dir;
  std::unique_ptr<SettingsStore> store;
};

TEST_F(StoreTest, ALoadStopsAtTheFirstValueItCannotRead) {
  store->WriteString("", "/data/alice.nmr");
  ProfileSettings v;
  v.proxyHost = "from the dialog";
  EXPECT_FALSE(ReadGeneralPreferences(*store, v)) << "a new profile has no SavePassPhrase";
  EXPECT_EQ(v.dataFile, "/data/alice.nmr");
  EXPECT_EQ(v.proxyHost, "from the dialog") << "values after the stop are left as they were";

  ProfileSettings written;
  written.proxyHost = "h";
  written.defaultAccount = 2;
  WriteGeneralPreferences(*store, written);
  EXPECT_FALSE(ReadGeneralPreferences(*store, v)) << "Fiat is still missing";
  store->WriteInteger("Fiat", 1);
  EXPECT_TRUE(ReadGeneralPreferences(*store, v));
  EXPECT_EQ(v.proxyHost, "h");
  EXPECT_EQ(v.defaultAccount, 2);
  store->WriteInteger("ProxyHost", 5);  // a string value of another type
  EXPECT_FALSE(ReadGeneralPreferences(*store, v));

  int hotkey = 7;
  EXPECT_FALSE(ReadHotkeyPreference(*store, "HotkeyBalance", hotkey));
  store->WriteInteger("HotkeyBalance", 65536);
  EXPECT_FALSE(ReadHotkeyPreference(*store, "HotkeyBalance", hotkey));
  store->WriteInteger("HotkeyBalance", -3);
  EXPECT_TRUE(ReadHotkeyPreference(*store, "HotkeyBalance", hotkey));
  EXPECT_EQ(hotkey, 0);
}

TEST_F(StoreTest, StoredLayoutIgnoresWidthsBelowMinusTwo) {
  WriteColumnWidths(*store, "List", {120, -1, -2});
  store->WriteInteger("List_Width_1", -3);
  store->WriteString("List_Width_2", "wide");
  const auto widths = ReadColumnWidths(*store, "List", 4);
  ASSERT_EQ(widths.size(), 4u);
  EXPECT_EQ(widths[0], 120);
  EXPECT_FALSE(widths[1]);
  EXPECT_FALSE(widths[2]);
  EXPECT_FALSE(widths[3]);
  store->WriteInteger("List_Width_1", -1);
  EXPECT_EQ(ReadColumnWidths(*store, "List", 2)[1], -1);
  WriteWindowBounds(*store, "Nummora", -10, 20, 500, 400);
  store->DeleteValue("Nummora_Top");
  const WindowBounds b = ReadWindowBounds(*store, "Nummora");
  EXPECT_EQ(b.left, -10);
  EXPECT_FALSE(b.top);
  EXPECT_EQ(b.height, 400);
}

TEST_F(StoreTest, AutostartEntryComesAndGoesAndValidates) {
  setenv("NUMMORA_HOME", dir.c_str(), 1);
  EXPECT_FALSE(AutostartEnabled());
  const std::string exe = "/opt/My Apps/nummora";
  EnableAutostart(exe);
  EXPECT_TRUE(AutostartEnabled());
  EXPECT_EQ(AutostartEntryPath(), dir / "autostart" / "nummora.desktop");
  std::ifstream in(AutostartEntryPath());
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Exec=\"/opt/My Apps/nummora\"\n"), std::string::npos) << text;
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
    const std::string command = "desktop-file-validate '" + AutostartEntryPath().string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << text;
  }
  DisableAutostart();
  EXPECT_FALSE(AutostartEnabled());
  DisableAutostart();  // a missing entry is no error
  unsetenv("NUMMORA_HOME");
}

}  // namespace
