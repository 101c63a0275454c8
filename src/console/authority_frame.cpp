#include "console/authority_frame.h"

#include <QCheckBox>
#include <QGridLayout>

#include "base/text_ids.h"
#include "console/page_text.h"

namespace orlentis {
namespace {

// The captions of bits 0 to 8; the texts are not numbered in bit order.
constexpr std::array<int, kAuthorityRightCount> kTextBoxes{
    kTextRightMonitoring,   kTextRightPtzControl, kTextRightSearching,
    kTextRightGeneralSetup, kTextRightUserSetup,  kTextRightRemoteSetup,
    kTextRightBackup,       kTextRightShutdown,   kTextRightPrivacyMask};
constexpr int kColumns = 3;

}  // namespace

AuthorityFrame::AuthorityFrame(QWidget* parent) : QGroupBox(PageText(kTextAuthority), parent) {
  auto* grid = new QGridLayout(this);
  for (int bit = 0; bit < kAuthorityRightCount; ++bit) {
    auto* box = new QCheckBox(PageText(kTextBoxes[static_cast<std::size_t>(bit)]));
    grid->addWidget(box, bit / kColumns, bit % kColumns);
    boxes_[static_cast<std::size_t>(bit)] = box;
  }
}

std::uint32_t AuthorityFrame::Authority() const {
  std::uint32_t authority = 0;
  for (int bit = 0; bit < kAuthorityRightCount; ++bit) {
    if (boxes_[static_cast<std::size_t>(bit)]->isChecked()) authority |= 1U << bit;
  }
  return authority;
}

void AuthorityFrame::SetAuthority(std::uint32_t authority) {
  for (int bit = 0; bit < kAuthorityRightCount; ++bit) {
    boxes_[static_cast<std::size_t>(bit)]->setChecked((authority >> bit & 1U) != 0);
  }
}

}  // namespace orlentis
