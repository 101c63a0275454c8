#include "console/monitor_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/text_ids.h"
#include "console/database_status_line.h"
#include "console/directory_door.h"
#include "console/page_text.h"
#include "console/report_list.h"
#include "directory/shared_directory.h"

namespace orlentis {
namespace {

constexpr int kMaxStateTextLength = 15;

QString StateText(bool set) {
  return PageText(set ? kTextStateSet : kTextStateClear).left(kMaxStateTextLength);
}

}  // namespace

MonitorPage::MonitorPage(DirectoryDoor& door, QWidget* parent)
    : ConsolePage(parent),
      door_(door),
      status_(new DatabaseStatusLine),
      sites_(new ReportList(true)),
      cameras_(new ReportList(true)) {
  sites_->SetColumns(PageText(kTextSiteColumns));
  if (DirectoryIsShared()) sites_->SetColumns(PageText(kTextServerColumn));
  cameras_->SetColumns(PageText(kTextCameraColumns));
  auto* refresh = new QPushButton(PageText(kTextRefresh));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(refresh);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(new QLabel(PageText(kTextSiteInformation)));
  layout->addWidget(sites_);
  layout->addWidget(new QLabel(PageText(kTextCameraInformation)));
  layout->addWidget(cameras_);
  layout->addLayout(buttons);

  refreshTimer_.setInterval(kRefreshPeriodMs);
  connect(&refreshTimer_, &QTimer::timeout, this, &MonitorPage::OnRefreshTimer);
  connect(refresh, &QPushButton::clicked, this, &MonitorPage::Refresh);
  connect(sites_, &ReportList::itemSelectionChanged, this, &MonitorPage::ShowSelectedSiteCameras);
}

QString MonitorPage::Title() const {
  return PageText(kTextMonitor);
}

void MonitorPage::Activate() {
  active_ = true;
  Refresh();
  refreshTimer_.start();
}

void MonitorPage::Deactivate() {
  active_ = false;
  refreshTimer_.stop();
}

void MonitorPage::Refresh() {
  status_->Ask(
      door_, this, [] { return RefreshOnlineSites(); },
      [this](const DbResult<std::vector<OnlineSite>>& sites) { ShowSites(sites); });
}

void MonitorPage::ShowSites(const DbResult<std::vector<OnlineSite>>& sites) {
  // A refresh may wait on the database; the next minute counts from its end.
  if (active_) refreshTimer_.start();
  if (!sites.value) return;
  sites_->DeleteAllRows();
  bool selectedListed = false;
  for (const OnlineSite& site : *sites.value) {
    const int row =
        sites_->AddRow({QString::fromStdString(site.name), QString::fromStdString(site.address),
                        QString::number(site.webServerPort), QString::number(site.cameraCount),
                        QString::fromStdString(site.server)});
    sites_->SetRowValue(row, static_cast<std::uint32_t>(site.id));
    selectedListed = selectedListed || site.id == selectedSite_;
  }
  if (selectedListed) {
    ShowCameras(selectedSite_);
  } else {
    selectedSite_ = -1;
    cameras_->DeleteAllRows();
  }
}

void MonitorPage::ShowSelectedSiteCameras() {
  const std::vector<int> rows = sites_->SelectedRows();
  if (rows.empty()) return;
  const auto clicked = static_cast<std::int32_t>(sites_->RowValue(rows.back()));
  // Until its own cameras come, the list shows none rather than another site's.
  if (clicked != selectedSite_) cameras_->DeleteAllRows();
  selectedSite_ = clicked;
  ShowCameras(selectedSite_);
}

void MonitorPage::ShowCameras(std::int32_t siteId) {
  status_->Ask(
      door_, this, [siteId] { return ListSiteCameras(siteId); },
      [this, siteId](const DbResult<std::vector<SiteCamera>>& cameras) {
        // Another site may have been clicked while these were read.
        if (siteId != selectedSite_ || !cameras.value) return;
        cameras_->DeleteAllRows();
        for (const SiteCamera& camera : *cameras.value) {
          cameras_->AddRow({QString::fromStdString(camera.name),
                            QString::fromStdString(camera.resolution),
                            StateText(camera.IsRecording()), QStringLiteral("N/A"),
                            StateText(camera.HasLostSignal())});
        }
      });
}

void MonitorPage::OnRefreshTimer() {
  refreshTimer_.stop();
  Refresh();
}

}  // namespace orlentis
