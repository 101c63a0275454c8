#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

class QLineEdit;

namespace orlentis {

// A dotted IPv4 address typed as four numbers of 0 to 255, each in its own box. The field
// may be entirely blank; a blank box reads as 0 once another one is filled.
class IpAddressField : public QWidget {
  Q_OBJECT

 public:
  explicit IpAddressField(QWidget* parent = nullptr);

  // "a.b.c.d", or an empty text when every box is blank.
  QString Text() const;
  // The address, most significant byte first; 0 when blank.
  std::uint32_t Value() const;
  bool IsBlank() const;
  // Every box holds a number.
  bool IsComplete() const;

  // Shows the first four dot-separated numbers of dotted (leading digits of each part, at
  // most 255); an address of zeros leaves the field blank.
  void SetText(const QString& dotted);
  void Clear();

  QLineEdit& Box(int index) { return *boxes_.at(static_cast<std::size_t>(index)); }

 Q_SIGNALS:
  // The administrator changed a box.
  void Edited();

 private:
  void OnBoxEdited(int index);

  std::array<QLineEdit*, 4> boxes_{};
};

}  // namespace orlentis
