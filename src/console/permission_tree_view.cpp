#include "console/permission_tree_view.h"

#include <QSignalBlocker>

namespace orlentis {
namespace {

constexpr int kSiteRole = Qt::UserRole;
constexpr int kCameraRole = Qt::UserRole + 1;
constexpr int kNoCamera = -1;

Qt::CheckState CheckStateOf(bool checked) {
  return checked ? Qt::Checked : Qt::Unchecked;
}

QTreeWidgetItem* NewItem(const std::string& label, std::size_t site, int camera, bool locked) {
  auto* item = new QTreeWidgetItem({QString::fromStdString(label)});
  item->setData(0, kSiteRole, static_cast<int>(site));
  item->setData(0, kCameraRole, camera);
  // A locked tree shows its check marks but takes no click on them.
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!locked) flags |= Qt::ItemIsUserCheckable;
  item->setFlags(flags);
  return item;
}

}  // namespace

PermissionTreeView::PermissionTreeView(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setExpandsOnDoubleClick(false);
  connect(this, &QTreeWidget::itemChanged, this, &PermissionTreeView::OnItemChanged);
  connect(this, &QTreeWidget::currentItemChanged, this, &PermissionTreeView::OnCurrentItemChanged);
}

void PermissionTreeView::Show(PermissionTree tree) {
  {
    const QSignalBlocker quiet(this);
    clear();
    tree_ = std::move(tree);
    for (std::size_t site = 0; site < tree_.Sites().size(); ++site) {
      const TreeSite& entry = tree_.Sites()[site];
      QTreeWidgetItem* siteItem = NewItem(entry.label, site, kNoCamera, tree_.Locked());
      for (std::size_t camera = 0; camera < entry.cameras.size(); ++camera) {
        siteItem->addChild(
            NewItem(entry.cameras[camera].label, site, static_cast<int>(camera), tree_.Locked()));
      }
      addTopLevelItem(siteItem);
      ShowChecks(site);
    }
  }
  SelectSite(-1);
}

QTreeWidgetItem* PermissionTreeView::CameraItem(int site, int camera) const {
  QTreeWidgetItem* siteItem = SiteItem(site);
  return siteItem != nullptr ? siteItem->child(camera) : nullptr;
}

// The view toggled the item's box; the tree decides what that means for the whole site.
void PermissionTreeView::OnItemChanged(QTreeWidgetItem* item) {
  const auto site = static_cast<std::size_t>(item->data(0, kSiteRole).toInt());
  const int camera = item->data(0, kCameraRole).toInt();
  if (camera == kNoCamera) {
    tree_.ToggleSite(site);
  } else {
    tree_.ToggleCamera(site, static_cast<std::size_t>(camera));
  }
  ShowChecks(site);
}

void PermissionTreeView::OnCurrentItemChanged(QTreeWidgetItem* current) {
  SelectSite(current != nullptr ? current->data(0, kSiteRole).toInt() : -1);
}

void PermissionTreeView::ShowChecks(std::size_t site) {
  const QSignalBlocker quiet(this);
  QTreeWidgetItem* siteItem = SiteItem(static_cast<int>(site));
  siteItem->setCheckState(0, CheckStateOf(tree_.IsSiteChecked(site)));
  for (int camera = 0; camera < siteItem->childCount(); ++camera) {
    siteItem->child(camera)->setCheckState(
        0, CheckStateOf(tree_.IsCameraChecked(site, static_cast<std::size_t>(camera))));
  }
}

void PermissionTreeView::SelectSite(int site) {
  selectedSite_ = site;
  Q_EMIT SelectedSiteChanged(site);
}

}  // namespace orlentis
