#pragma once

#include <QGroupBox>
#include <array>
#include <cstdint>

#include "access/roles.h"

class QCheckBox;

namespace orlentis {

// The nine authority boxes under their caption, box i for authority bit i.
class AuthorityFrame : public QGroupBox {
  Q_OBJECT

 public:
  explicit AuthorityFrame(QWidget* parent = nullptr);

  std::uint32_t Authority() const;
  void SetAuthority(std::uint32_t authority);

  QCheckBox& Box(int bit) { return *boxes_.at(static_cast<std::size_t>(bit)); }

 private:
  std::array<QCheckBox*, kAuthorityRightCount> boxes_{};
};

}  // namespace orlentis
