#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <array>

namespace orlentis {

// A button that is only a picture, drawn in one of four states from the compiled-in images
// <name>U (normal), <name>D (pressed), <name>F (focused) and <name>X (disabled).
class ImageButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum class State { kNormal, kPressed, kFocused, kDisabled };

  explicit ImageButton(const QString& imageName, QWidget* parent = nullptr);

  // The picture that shows now: disabled before pressed before focused.
  State CurrentState() const;
  const QPixmap& Picture(State state) const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::array<QPixmap, 4> pictures_;
};

}  // namespace orlentis
