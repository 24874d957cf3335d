// Fuzz target for the import of a settings file: any bytes read as a file whose entries are
// walked into a model as the import dialog does (every line ticked, every overwrite answered
// Yes); the walk ends, stops only with ImportStop, never adds more than the table holds, never
// adds a name the profile cannot keep, and gives a reason for every entry it leaves out.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/ini_file.h"
#include "preferences/settings_transfer.h"
#include "profile/profile_text.h"

using namespace nummora;

namespace {
class ModelImporter : public AccountImporter {
 public:
  int FindAccount(const std::string& id) override { return model.FindAccount(id); }
  int AppendAccount(const AccountRecord& account) override {
    return model.AccountCount() >= ProfileModel::kMaxAccounts ? -1 : model.AppendAccount(account);
  }
  bool ConfirmOverwrite(const std::string&) override { return true; }
  void ReplaceAccount(int position, const AccountRecord& account) override {
    model.Account(position) = account;
  }
  void RefreshAccount(int position) override {
    if (!model.IsValidPosition(position)) abort();
  }
  ProfileModel model;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const IniFile ini = IniFile::Parse(std::string(reinterpret_cast<const char*>(data), size));
  const SettingsFileContent content = ReadSettingsFile(ini);
  std::vector<int> all;
  for (std::size_t i = 0; i < content.accounts.size(); ++i) {
    all.push_back(static_cast<int>(i));
    (void)ImportLineCaption(content.accounts[i]);
  }
  ModelImporter target;
  ImportReport report;
  bool stopped = false;
  try {
    ImportAccounts(content, all, target, report);
  } catch (const ImportStop&) {
    stopped = true;
  }
  if (!stopped &&
      report.accountsImported + report.accountsKept + static_cast<int>(report.skippedAccounts.size()) !=
          static_cast<int>(content.accounts.size()))
    abort();
  for (const SkippedEntry& skipped : report.skippedAccounts)
    if (skipped.reason.empty()) abort();
  (void)ImportReportText(report);
  if (target.model.AccountCount() > ProfileModel::kMaxAccounts) abort();
  for (const AccountRecord& a : target.model.Accounts())
    if (a.Type != AccountType::Egold || a.ID.empty() ||
        a.ID.find_first_not_of("0123456789") != std::string::npos || AccountTextProblem(a))
      abort();
  for (const ContactRecord& c : content.contacts)
    if (!c.Comment.empty()) abort();
  return 0;
}
