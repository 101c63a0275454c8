#include "console/monitor_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/page_text.h"
#include "console/report_list.h"
#include "directory/site_monitor.h"

namespace orlentis {
namespace {

constexpr int kTextRefresh = 140;
constexpr int kTextSiteColumns = 154;
constexpr int kTextCameraColumns = 155;
constexpr int kTextMonitor = 160;
constexpr int kTextSiteInformation = 161;
constexpr int kTextCameraInformation = 162;
constexpr int kTextStateSet = 223;
constexpr int kTextStateClear = 224;
constexpr int kMaxStateTextLength = 15;

QString StateText(bool set) {
  return PageText(set ? kTextStateSet : kTextStateClear).left(kMaxStateTextLength);
}

}  // namespace

MonitorPage::MonitorPage(QWidget* parent)
    : ConsolePage(parent), sites_(new ReportList(true)), cameras_(new ReportList(true)) {
  sites_->SetColumns(PageText(kTextSiteColumns));
  cameras_->SetColumns(PageText(kTextCameraColumns));
  auto* refresh = new QPushButton(PageText(kTextRefresh));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(refresh);
  auto* layout = new QVBoxLayout(this);
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
  Refresh();
  refreshTimer_.start();
}

void MonitorPage::Deactivate() {
  refreshTimer_.stop();
}

void MonitorPage::Refresh() {
  sites_->DeleteAllRows();
  bool selectedListed = false;
  for (const OnlineSite& site : RefreshOnlineSites().ValueOr({})) {
    const int row =
        sites_->AddRow({QString::fromStdString(site.name), QString::fromStdString(site.address),
                        QString::number(site.webServerPort), QString::number(site.cameraCount)});
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
  selectedSite_ = static_cast<std::int32_t>(sites_->RowValue(rows.back()));
  ShowCameras(selectedSite_);
}

void MonitorPage::ShowCameras(std::int32_t siteId) {
  cameras_->DeleteAllRows();
  for (const SiteCamera& camera : ListSiteCameras(siteId).ValueOr({})) {
    cameras_->AddRow({QString::fromStdString(camera.name),
                      QString::fromStdString(camera.resolution), StateText(camera.IsRecording()),
                      QStringLiteral("N/A"), StateText(camera.HasLostSignal())});
  }
}

void MonitorPage::OnRefreshTimer() {
  // A refresh may wait on the database; the next minute counts from its end.
  refreshTimer_.stop();
  Refresh();
  refreshTimer_.start();
}

}  // namespace orlentis
