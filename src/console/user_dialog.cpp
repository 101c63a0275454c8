#include "console/user_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "base/text_ids.h"
#include "console/add_site_dialog.h"
#include "console/authority_frame.h"
#include "console/database_status_line.h"
#include "console/directory_door.h"
#include "console/image_button.h"
#include "console/page_text.h"
#include "console/permission_tree_view.h"
#include "directory/account_log.h"
#include "directory/authority_boxes.h"
#include "directory/site_accounts.h"

namespace orlentis {
namespace {

constexpr int kMaxNameInput = 16;
constexpr int kMaxPasswordInput = 15;
// What each entry of the group drop-down keeps of its group.
constexpr int kGroupIdRole = Qt::UserRole;
constexpr int kGroupAuthorityRole = Qt::UserRole + 1;

QLineEdit* LimitedEdit(int maxLength) {
  auto* edit = new QLineEdit;
  edit->setMaxLength(maxLength);
  return edit;
}

QLineEdit* HiddenEdit() {
  QLineEdit* edit = LimitedEdit(kMaxPasswordInput);
  edit->setEchoMode(QLineEdit::Password);
  return edit;
}

}  // namespace

UserDialog::UserDialog(DirectoryDoor& door, UserFormMode mode, QWidget* parent)
    : QDialog(parent),
      door_(door),
      mode_(mode),
      status_(new DatabaseStatusLine),
      showMessage_(WarningBoxOver(this)) {
  setWindowTitle(PageText(mode == UserFormMode::kAdd ? kTextAddUser : kTextModifyUser));
  auto* buttons = new QDialogButtonBox;
  ok_ = buttons->addButton(PageText(kTextOk), QDialogButtonBox::AcceptRole);
  buttons->addButton(PageText(kTextCancel), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &UserDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &UserDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(BuildAccountControls());
  authority_ = new AuthorityFrame;
  layout->addWidget(authority_);
  layout->addWidget(BuildSiteControls(), 1);
  layout->addWidget(buttons);

  // OK waits for the groups, without which nothing can be saved.
  ok_->setEnabled(false);
  FillGroups();
  if (mode_ == UserFormMode::kAdd) {
    name_->setFocus();
    RebuildTree();
  }
}

QWidget* UserDialog::BuildAccountControls() {
  name_ = LimitedEdit(kMaxNameInput);
  password_ = HiddenEdit();
  confirmation_ = HiddenEdit();
  description_ = new QLineEdit;
  groups_ = new QComboBox;
  connect(groups_, &QComboBox::currentIndexChanged, this, &UserDialog::ApplyGroupChoice);

  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  const std::array<std::pair<int, QWidget*>, 5> rows{{{kTextUserName, name_},
                                                      {kTextPassword, password_},
                                                      {kTextConfirmation, confirmation_},
                                                      {kTextGroup, groups_},
                                                      {kTextDescriptionLabel, description_}}};
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    grid->addWidget(new QLabel(PageText(rows[row].first)), row, 0);
    grid->addWidget(rows[row].second, row, 1);
  }
  return box;
}

QWidget* UserDialog::BuildSiteControls() {
  tree_ = new PermissionTreeView;
  remove_ = new ImageButton(QStringLiteral("BUTTON_SITE_REMOVE"));
  add_ = new ImageButton(QStringLiteral("BUTTON_SITE_ADD"));
  refresh_ = new ImageButton(QStringLiteral("BUTTON_SITE_REFRESH"));
  remove_->setEnabled(false);
  connect(tree_, &PermissionTreeView::SelectedSiteChanged, this,
          &UserDialog::OnSelectedSiteChanged);
  connect(remove_, &ImageButton::clicked, this, &UserDialog::RemoveSelectedSite);
  connect(add_, &ImageButton::clicked, this, &UserDialog::OpenAddSiteDialog);
  connect(refresh_, &ImageButton::clicked, this, &UserDialog::RebuildTree);

  auto* box = new QWidget;
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tree_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(remove_);
  buttons->addWidget(add_);
  buttons->addWidget(refresh_);
  buttons->addStretch();
  layout->addLayout(buttons);
  return box;
}

void UserDialog::FillGroups() {
  status_->Ask(
      door_, this, [] { return ListGroups(); },
      [this](const DbResult<std::vector<GroupEntry>>& groups) { ShowGroups(groups.ValueOr({})); });
}

void UserDialog::ShowGroups(const std::vector<GroupEntry>& groups) {
  {
    const QSignalBlocker quiet(groups_);
    for (const GroupEntry& group : groups) {
      groups_->addItem(QString::fromStdString(group.name), group.id);
      groups_->setItemData(groups_->count() - 1, group.authority, kGroupAuthorityRole);
    }
    if (mode_ == UserFormMode::kModify) groups_->setCurrentIndex(-1);
  }
  groupsListed_ = true;
  ok_->setEnabled(true);
  if (mode_ == UserFormMode::kAdd) {
    ApplyGroupChoice();
  } else if (userLoaded_) {
    ShowUserGroup();
  }
}

void UserDialog::LoadUser(const UserAccount& user) {
  user_ = user;
  userLoaded_ = true;
  locked_ = IsAdministratorName(user.name);
  name_->setText(QString::fromStdString(user.name));
  name_->setEnabled(false);
  description_->setText(QString::fromStdString(user.description));
  const QString placeholder =
      QString::fromUtf8(kPasswordPlaceholder.data(), kPasswordPlaceholder.size());
  password_->setText(placeholder);
  confirmation_->setText(placeholder);
  groups_->setEnabled(!locked_);
  if (groupsListed_) ShowUserGroup();
  RebuildTree();
}

void UserDialog::ShowUserGroup() {
  {
    const QSignalBlocker quiet(groups_);
    groups_->setCurrentIndex(groups_->findData(user_.groupId, kGroupIdRole));
  }
  // The user's own rights show, in the boxes the group allows to change.
  const std::optional<std::uint32_t> group = ChosenGroupAuthority();
  const AuthorityBoxes boxes = group
                                   ? BoxesForUser(user_.authority, *group)
                                   : AuthorityBoxes{kAuthorityAll, user_.authority & kAuthorityAll};
  ShowBoxes(boxes);
}

std::optional<std::uint32_t> UserDialog::ChosenGroupAuthority() const {
  if (groups_->currentIndex() < 0) return std::nullopt;
  return groups_->currentData(kGroupAuthorityRole).toUInt();
}

void UserDialog::ApplyGroupChoice() {
  const std::optional<std::uint32_t> group = ChosenGroupAuthority();
  if (!group) return;
  ShowBoxes(BoxesForGroup(*group));
}

void UserDialog::ShowBoxes(const AuthorityBoxes& boxes) {
  for (int bit = 0; bit < kAuthorityRightCount; ++bit) {
    authority_->Box(bit).setEnabled(boxes.IsEnabled(bit));
  }
  authority_->SetAuthority(boxes.checked);
}

UserForm UserDialog::Form() const {
  UserForm form;
  form.mode = mode_;
  // A stored name may be longer than the edit takes; it finds the user as stored.
  form.name = mode_ == UserFormMode::kAdd ? name_->text().toStdString() : user_.name;
  if (groups_->currentIndex() >= 0) {
    form.group = GroupChoice{groups_->currentData(kGroupIdRole).toInt(),
                             groups_->currentText().toStdString()};
  }
  form.password = password_->text().toStdString();
  form.confirmation = confirmation_->text().toStdString();
  form.description = description_->text().toStdString();
  form.authority = authority_->Authority();
  form.siteRights = tree_->Tree().Rights();
  return form;
}

void UserDialog::accept() {
  ok_->setEnabled(false);
  status_->Ask(
      door_, this, [form = Form()] { return SaveUser(form, ConsoleLogSource()); },
      [this](const AccountVerdict& verdict) { OnSaved(verdict); });
}

void UserDialog::OnSaved(const AccountVerdict& verdict) {
  ok_->setEnabled(true);
  // A silent refusal (the user was deleted meanwhile) leaves nothing to correct here.
  if (verdict.IsDone() || (verdict.IsRefused() && verdict.textId == 0)) {
    QDialog::accept();
    return;
  }
  // The status line has said what the database did.
  if (!verdict.IsRefused()) return;
  showMessage_(PageText(kTextProgramName), QString::fromStdString(verdict.Message()));
  if (verdict.refusal == AccountRefusal::kGroupGone) {
    const QSignalBlocker quiet(groups_);
    groups_->removeItem(groups_->currentIndex());
    groups_->setCurrentIndex(-1);
  }
}

void UserDialog::RemoveSelectedSite() {
  const int site = tree_->SelectedSite();
  if (site < 0) return;
  const std::int32_t siteId = tree_->Tree().Sites().at(static_cast<std::size_t>(site)).siteId;
  status_->Ask(
      door_, this, [siteId] { return RemoveSite(siteId); },
      [this](const AccountVerdict& verdict) {
        if (verdict.IsDone()) RebuildTree();
      });
}

void UserDialog::OpenAddSiteDialog() {
  AddSiteDialog dialog(door_, this);
  if (dialog.exec() == QDialog::Accepted) RebuildTree();
}

// A tree the database could not give keeps what it showed; the status line says why.
void UserDialog::RebuildTree() {
  const std::int32_t userId = mode_ == UserFormMode::kAdd ? -1 : user_.id;
  status_->Ask(
      door_, this, [userId, locked = locked_] { return ReadPermissionTree(userId, locked); },
      [this](const DbResult<PermissionTree>& tree) {
        if (tree.value) tree_->Show(*tree.value);
      });
}

void UserDialog::OnSelectedSiteChanged(int site) {
  remove_->setEnabled(site >= 0 && tree_->Tree().CanRemove(static_cast<std::size_t>(site)));
}

}  // namespace orlentis
