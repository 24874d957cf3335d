#include "preferences/import_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "common/secure_memory.h"
#include "platform/ini_file_io.h"
#include "platform/settings_store.h"
#include "preferences/export_dialog.h"
#include "profile/profile_settings.h"
#include "ui/latin1.h"
#include "ui/message_box.h"

namespace nummora {

ImportDialog::ImportDialog(AccountImporter& importer, std::function<bool(const ContactRecord&)> addContact,
                           SettingsStore& store, std::string profileName, MessageBoxes* boxes,
                           QWidget* parent)
    : QDialog(parent),
      importer_(importer),
      addContact_(std::move(addContact)),
      store_(store),
      profileName_(std::move(profileName)),
      boxes_(boxes) {
  setObjectName(QStringLiteral("fImport"));
  setWindowTitle(QStringLiteral("Import accounts"));
  iFile_ = new QLineEdit(this);
  iFile_->setObjectName(QStringLiteral("iFile"));
  iFile_->setReadOnly(true);
  auto* browse = new QToolButton(this);
  browse->setObjectName(QStringLiteral("bBrowse"));
  browse->setAutoRaise(true);
  browse->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  chkAccounts_ = new QListWidget(this);
  chkAccounts_->setObjectName(QStringLiteral("chkAccounts"));
  chkSettings_ = new QCheckBox(QStringLiteral("&Import settings"), this);
  chkSettings_->setObjectName(QStringLiteral("chkSettings"));
  chkAddress_ = new QCheckBox(QStringLiteral("&Address book"), this);
  chkAddress_->setObjectName(QStringLiteral("chkAddress"));
  eComment_ = new QLineEdit(this);
  eComment_->setObjectName(QStringLiteral("eComment"));
  eComment_->setReadOnly(true);
  bOk_ = new QPushButton(QStringLiteral("&OK"), this);
  bOk_->setObjectName(QStringLiteral("bOk"));
  bOk_->setAutoDefault(false);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("bCancel"));
  cancel->setAutoDefault(false);
  for (QWidget* w : {static_cast<QWidget*>(chkAccounts_), static_cast<QWidget*>(chkSettings_),
                     static_cast<QWidget*>(chkAddress_), static_cast<QWidget*>(bOk_)})
    w->setEnabled(false);

  auto* fileLabel = new QLabel(QStringLiteral("&File:"), this);
  fileLabel->setBuddy(iFile_);
  auto* commentLabel = new QLabel(QStringLiteral("&Comment:"), this);
  commentLabel->setBuddy(eComment_);
  auto* grid = new QGridLayout(this);
  grid->addWidget(fileLabel, 0, 0, 1, 2);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(iFile_, 1);
  fileRow->addWidget(browse);
  grid->addLayout(fileRow, 1, 0, 1, 2);
  grid->addWidget(chkAccounts_, 2, 0, 3, 1);
  grid->addWidget(chkSettings_, 2, 1);
  grid->addWidget(chkAddress_, 3, 1);
  grid->setRowStretch(4, 1);
  grid->setColumnStretch(0, 1);
  grid->addWidget(commentLabel, 5, 0, 1, 2);
  grid->addWidget(eComment_, 6, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bOk_);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 7, 0, 1, 2);

  connect(browse, &QToolButton::clicked, this, &ImportDialog::BrowseClick);
  connect(bOk_, &QPushButton::clicked, this, [this] {
    Import();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ImportDialog::BrowseClick() {
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import accounts"), iFile_->text(),
                                                    QString::fromLatin1(kSettingsFileFilter));
  if (!path.isEmpty()) ChooseFile(path);
}

bool ImportDialog::ChooseFile(const QString& path) {
  try {
    file_ = LoadIniFile(std::filesystem::path(path.toLocal8Bit().toStdString()));
  } catch (const std::exception& e) {
    BoxesOrSystem(boxes_).Error(
        this, QStringLiteral("The file could not be read:\n") + QString::fromLocal8Bit(e.what()));
    return false;
  }
  content_ = ReadSettingsFile(file_);
  iFile_->setText(path);
  chkAccounts_->setEnabled(true);
  bOk_->setEnabled(true);
  eComment_->setText(FromLatin1(content_.comment));
  chkSettings_->setEnabled(content_.hasPreferences);
  chkAddress_->setEnabled(content_.hasAddressBook);
  if (!content_.hasPreferences) chkSettings_->setChecked(false);
  if (!content_.hasAddressBook) chkAddress_->setChecked(false);
  chkAccounts_->clear();
  for (const ImportLine& line : content_.accounts) {
    auto* item = new QListWidgetItem(FromLatin1(ImportLineCaption(line)), chkAccounts_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
  }
  return true;
}

bool ImportDialog::Import() {
  MessageBoxes& boxes = BoxesOrSystem(boxes_);
  std::vector<int> chosen;
  for (int i = 0; i < chkAccounts_->count(); ++i)
    if (chkAccounts_->item(i)->checkState() == Qt::Checked) chosen.push_back(i);
  ImportReport report;
  report.contactsChosen = chkAddress_->isEnabled() && chkAddress_->isChecked() && addContact_;
  report.settingsChosen = chkSettings_->isEnabled() && chkSettings_->isChecked();
  try {
    ImportAccounts(content_, chosen, importer_, report);
  } catch (const ImportStop& stop) {
    boxes.Error(this,
                FromLatin1(stop.what()) +
                    QStringLiteral("\n\nAccounts imported before it: %1.").arg(report.accountsImported));
    return false;
  }
  if (report.contactsChosen) {
    for (const ContactRecord& contact : content_.contacts) {
      // Checked as the contact editor checks typed text: a "<" or ">" would make every save fail.
      if (auto problem = ImportedContactProblem(contact)) {
        report.skippedContacts.push_back({contact.Name, *problem});
        continue;
      }
      if (!addContact_(contact)) {
        boxes.Error(this, QStringLiteral("The import stopped at contact ") + FromLatin1(contact.Name) +
                              QStringLiteral(": the address book is full."));
        return false;
      }
      ++report.contactsAdded;
    }
  }
  if (report.settingsChosen && !ImportSettings(report)) return false;
  boxes.Show(this, MessageIcon::Information, FromLatin1(ImportReportText(report)));
  return true;
}

bool ImportDialog::ImportSettings(ImportReport& report) {
  MessageBoxes& boxes = BoxesOrSystem(boxes_);
  const ImportedPreferences preferences = ReadImportedPreferences(file_);
  if (auto problem = ImportedPreferencesProblem(preferences)) {
    report.settingsNotImported = *problem;
    return true;
  }
  try {
    store_.SetRootKey(RootKey::LocalMachine);
    store_.OpenKey(ProfileKeyPath(profileName_), true);
    // A proxy sees every request: the user is told which one before it is turned on.
    ProfileSettings stored;
    ReadGeneralPreferences(store_, stored);
    const ProxySettings current = ProxyOf(stored);
    SecureWipe(stored.proxyPasswd);
    if (auto proxy = ProxyTurnedOn(preferences, current)) {
      const QString host = FromLatin1(*proxy);
      if (!boxes.Ask(this, QStringLiteral("The imported settings turn on the proxy ") + host +
                               QStringLiteral(": every connection of the program will go through it.\n\n"
                                              "Import the settings?"))) {
        report.settingsNotImported = "the proxy " + *proxy + " was not accepted.";
        return true;
      }
    }
    WriteImportedPreferences(preferences, store_);
  } catch (const std::exception& e) {
    boxes.Error(this, QStringLiteral("The settings could not be imported:\n") + FromLatin1(e.what()));
    return false;
  }
  report.settingsImported = true;
  return true;
}

void ImportDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (bOk_->isEnabled()) Import();  // Enter imports and leaves the dialog open
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace nummora
