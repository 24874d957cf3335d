#include "app/scheme_registration.h"

#include "platform/settings_store.h"

namespace nummora {

bool RegisterSchemeEntries(SettingsStore& store, const std::string& executablePath) {
  bool written = false;
  store.SetRootKey(RootKey::ClassesRoot);
  if (store.OpenKey(kNmrKey, true) && !store.KeyExists("DefaultIcon")) {
    store.WriteString("", "URL:Nummora protocol");
    store.WriteString("URL Protocol", "");
    store.OpenKey(std::string(kNmrKey) + "\\DefaultIcon", true);
    store.WriteString("", executablePath);
    store.OpenKey(std::string(kNmrKey) + "\\Shell\\Open\\Command", true);
    store.WriteString("", executablePath + " %1");
    written = true;
  }
  store.CloseKey();
  store.SetRootKey(RootKey::LocalMachine);
  return written;
}

}  // namespace nummora
