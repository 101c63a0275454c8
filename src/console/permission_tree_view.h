#pragma once

#include <QTreeWidget>

#include "directory/permission_tree.h"

namespace orlentis {

// A user's camera permissions as a tree with check boxes: the sites, and under each its
// cameras. A click on a check box is carried out by the tree's own rules (a site's box checks
// or clears all its cameras, a camera's box keeps its site's box in step, a locked tree
// changes nothing); what shows is always what the tree holds.
class PermissionTreeView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit PermissionTreeView(QWidget* parent = nullptr);

  // Shows tree in place of what was shown; no site is selected afterwards.
  void Show(PermissionTree tree);

  const PermissionTree& Tree() const { return tree_; }
  // The site of the selected item (a camera's own site), -1 when none.
  int SelectedSite() const { return selectedSite_; }

  QTreeWidgetItem* SiteItem(int site) const { return topLevelItem(site); }
  QTreeWidgetItem* CameraItem(int site, int camera) const;

 Q_SIGNALS:
  void SelectedSiteChanged(int site);

 private:
  void OnItemChanged(QTreeWidgetItem* item);
  void OnCurrentItemChanged(QTreeWidgetItem* current);
  void ShowChecks(std::size_t site);
  void SelectSite(int site);

  PermissionTree tree_;
  int selectedSite_ = -1;
};

}  // namespace orlentis
