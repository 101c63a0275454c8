#include "console/ip_address_field.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace orlentis {
namespace {

constexpr int kMaxOctet = 255;

int LeadingNumber(const QString& text) {
  int value = 0;
  for (const QChar c : text) {
    if (!c.isDigit()) break;
    value = std::min(value * 10 + c.digitValue(), kMaxOctet + 1);
  }
  return std::min(value, kMaxOctet);
}

}  // namespace

IpAddressField::IpAddressField(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  // A typed dot is accepted only to move on to the next box.
  auto* validator = new QRegularExpressionValidator(QRegularExpression("\\d{0,3}\\.?"), this);
  for (int index = 0; index < 4; ++index) {
    auto* box = new QLineEdit;
    box->setValidator(validator);
    box->setMaxLength(4);
    box->setAlignment(Qt::AlignCenter);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
    if (index > 0) layout->addWidget(new QLabel(QStringLiteral(".")));
    layout->addWidget(box);
    boxes_[static_cast<std::size_t>(index)] = box;
    connect(box, &QLineEdit::textEdited, this, [this, index] { OnBoxEdited(index); });
  }
  layout->addStretch();
}

QString IpAddressField::Text() const {
  if (IsBlank()) return QString();
  QStringList octets;
  for (const QLineEdit* box : boxes_) octets << QString::number(LeadingNumber(box->text()));
  return octets.join(u'.');
}

std::uint32_t IpAddressField::Value() const {
  std::uint32_t value = 0;
  for (const QLineEdit* box : boxes_) {
    value = value << 8 | static_cast<std::uint32_t>(LeadingNumber(box->text()));
  }
  return value;
}

bool IpAddressField::IsBlank() const {
  return std::all_of(boxes_.begin(), boxes_.end(),
                     [](const QLineEdit* box) { return box->text().isEmpty(); });
}

bool IpAddressField::IsComplete() const {
  return std::none_of(boxes_.begin(), boxes_.end(),
                      [](const QLineEdit* box) { return box->text().isEmpty(); });
}

void IpAddressField::SetText(const QString& dotted) {
  const QStringList parts = dotted.split(u'.');
  std::array<int, 4> octets{};
  for (std::size_t index = 0; index < octets.size() && index < std::size_t(parts.size()); ++index) {
    octets[index] = LeadingNumber(parts[static_cast<qsizetype>(index)]);
  }
  if (std::all_of(octets.begin(), octets.end(), [](int octet) { return octet == 0; })) {
    Clear();
    return;
  }
  for (std::size_t index = 0; index < octets.size(); ++index) {
    boxes_[index]->setText(QString::number(octets[index]));
  }
}

void IpAddressField::Clear() {
  for (QLineEdit* box : boxes_) box->clear();
}

void IpAddressField::OnBoxEdited(int index) {
  QLineEdit* box = boxes_[static_cast<std::size_t>(index)];
  QString text = box->text();
  const bool movesOn = text.endsWith(u'.') || text.size() == 3;
  if (text.endsWith(u'.')) text.chop(1);
  if (!text.isEmpty() && text.toInt() > kMaxOctet) text = QString::number(kMaxOctet);
  if (text != box->text()) box->setText(text);
  if (movesOn && index < 3) {
    QLineEdit* next = boxes_[static_cast<std::size_t>(index + 1)];
    next->setFocus();
    next->selectAll();
  }
  Q_EMIT Edited();
}

}  // namespace orlentis
