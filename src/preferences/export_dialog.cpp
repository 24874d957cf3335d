#include "preferences/export_dialog.h"

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
#include "ui/latin1.h"
#include "ui/message_box.h"

namespace nummora {

const char* const kSettingsFileFilter = "Nummora export file (*.nex);;Any file (*)";

ExportDialog::ExportDialog(std::vector<AccountRecord> accounts, ExportedPreferences preferences,
                           std::vector<ContactRecord> contacts, std::function<std::string()> dateText,
                           MessageBoxes* boxes, QWidget* parent)
    : QDialog(parent),
      accounts_(std::move(accounts)),
      preferences_(std::move(preferences)),
      contacts_(std::move(contacts)),
      dateText_(std::move(dateText)),
      boxes_(boxes) {
  setObjectName(QStringLiteral("fExport"));
  setWindowTitle(QStringLiteral("Export accounts"));
  // No pass phrase goes into the file, so none is kept here either.
  for (AccountRecord& a : accounts_) SecureWipe(a.Password);

  chkAccounts_ = new QListWidget(this);
  chkAccounts_->setObjectName(QStringLiteral("chkAccounts"));
  for (const AccountRecord& a : accounts_) {
    auto* item = new QListWidgetItem(FromLatin1(a.ID), chkAccounts_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
  }
  chkSettings_ = new QCheckBox(QStringLiteral("&Export settings"), this);
  chkSettings_->setObjectName(QStringLiteral("chkSettings"));
  chkAddress_ = new QCheckBox(QStringLiteral("&Address book"), this);
  chkAddress_->setObjectName(QStringLiteral("chkAddress"));
  iFile_ = new QLineEdit(this);
  iFile_->setObjectName(QStringLiteral("iFile"));
  auto* browse = new QToolButton(this);
  browse->setObjectName(QStringLiteral("bBrowse"));
  browse->setAutoRaise(true);
  browse->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  eComment_ = new QLineEdit(this);
  eComment_->setObjectName(QStringLiteral("eComment"));
  bOk_ = new QPushButton(QStringLiteral("&OK"), this);
  bOk_->setObjectName(QStringLiteral("bOk"));
  bOk_->setAutoDefault(false);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("bCancel"));
  cancel->setAutoDefault(false);

  auto* fileLabel = new QLabel(QStringLiteral("&File:"), this);
  fileLabel->setBuddy(iFile_);
  auto* commentLabel = new QLabel(QStringLiteral("&Comment:"), this);
  commentLabel->setBuddy(eComment_);
  auto* grid = new QGridLayout(this);
  grid->addWidget(chkAccounts_, 0, 0, 3, 1);
  grid->addWidget(chkSettings_, 0, 1);
  grid->addWidget(chkAddress_, 1, 1);
  grid->addWidget(fileLabel, 3, 0, 1, 2);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(iFile_, 1);
  fileRow->addWidget(browse);
  grid->addLayout(fileRow, 4, 0, 1, 2);
  grid->addWidget(commentLabel, 5, 0, 1, 2);
  grid->addWidget(eComment_, 6, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bOk_);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 7, 0, 1, 2);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  connect(chkAccounts_, &QListWidget::itemChanged, this, &ExportDialog::UpdateOk);
  connect(chkAddress_, &QCheckBox::toggled, this, &ExportDialog::UpdateOk);
  connect(iFile_, &QLineEdit::textChanged, this, &ExportDialog::UpdateOk);
  connect(browse, &QToolButton::clicked, this, &ExportDialog::BrowseClick);
  connect(bOk_, &QPushButton::clicked, this, [this] {
    if (Export()) accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  UpdateOk();
}

ExportDialog::~ExportDialog() {
  SecureWipe(preferences_.proxyPasswd);
}

void ExportDialog::UpdateOk() {
  bool ticked = chkAddress_->isChecked();
  for (int i = 0; i < chkAccounts_->count() && !ticked; ++i)
    ticked = chkAccounts_->item(i)->checkState() == Qt::Checked;
  bOk_->setEnabled(ticked && !iFile_->text().isEmpty());
}

void ExportDialog::BrowseClick() {
  QFileDialog dialog(this, QStringLiteral("Export accounts"), iFile_->text(),
                     QString::fromLatin1(kSettingsFileFilter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QString::fromLatin1(kSettingsFileExtension));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!iFile_->text().isEmpty()) dialog.selectFile(iFile_->text());
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    iFile_->setText(dialog.selectedFiles().first());
}

bool ExportDialog::Export() {
  const std::filesystem::path file(iFile_->text().toLocal8Bit().toStdString());
  try {
    IniFile ini = LoadIniFile(file);
    std::vector<AccountRecord> ticked;
    for (int i = 0; i < chkAccounts_->count(); ++i)
      if (chkAccounts_->item(i)->checkState() == Qt::Checked)
        ticked.push_back(accounts_[static_cast<std::size_t>(i)]);
    WriteSettingsExport(ini, dateText_ ? dateText_() : std::string(), ToLatin1(eComment_->text()), ticked,
                        chkSettings_->isChecked() ? &preferences_ : nullptr,
                        chkAddress_->isChecked() ? &contacts_ : nullptr);
    SaveIniFile(file, ini);
  } catch (const std::exception& e) {
    BoxesOrSystem(boxes_).Error(
        this, QStringLiteral("The export file could not be written:\n") + QString::fromLocal8Bit(e.what()));
    return false;
  }
  BoxesOrSystem(boxes_).Show(this, MessageIcon::Information, QStringLiteral("Done!"));
  return true;
}

void ExportDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (bOk_->isEnabled()) Export();  // Enter exports and leaves the dialog open
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace nummora
