#pragma once

#include <QTimer>
#include <cstdint>

#include "console/console_page.h"
#include "directory/site_monitor.h"

namespace orlentis {

class DatabaseStatusLine;
class DirectoryDoor;
class ReportList;

// The console's view of the sites on line and the cameras of the site the administrator
// clicks. Its refresh, once a minute while the page is the active tab, is also where sites
// that stopped checking in are taken off line.
class MonitorPage : public ConsolePage {
  Q_OBJECT

 public:
  static constexpr int kRefreshPeriodMs = 60000;

  explicit MonitorPage(DirectoryDoor& door, QWidget* parent = nullptr);

  QString Title() const override;
  void Activate() override;
  void Deactivate() override;

  // Lists the sites on line again and the cameras of the selected site; when that site is no
  // longer listed, it is forgotten and the camera list empties. A list the database could not
  // give keeps what it showed, and the status line says why.
  void Refresh();
  // Shows the cameras of the last selected site; without a selection nothing changes.
  void ShowSelectedSiteCameras();

  std::int32_t SelectedSiteId() const { return selectedSite_; }
  bool IsRefreshTimerRunning() const { return refreshTimer_.isActive(); }
  ReportList& SiteList() { return *sites_; }
  ReportList& CameraList() { return *cameras_; }
  DatabaseStatusLine& Status() { return *status_; }

 private:
  void ShowSites(const DbResult<std::vector<OnlineSite>>& sites);
  void ShowCameras(std::int32_t siteId);
  void OnRefreshTimer();

  DirectoryDoor& door_;
  bool active_ = false;
  DatabaseStatusLine* status_;
  ReportList* sites_;
  ReportList* cameras_;
  QTimer refreshTimer_;
  std::int32_t selectedSite_ = -1;
};

}  // namespace orlentis
