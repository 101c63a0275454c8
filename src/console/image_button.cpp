#include "console/image_button.h"

#include <QPainter>

// The images are compiled into this static library, whose resources register only when asked,
// once.
static void LoadSiteButtonImages() {
  static const bool loaded = [] {
    Q_INIT_RESOURCE(site_buttons);
    return true;
  }();
  (void)loaded;
}

namespace orlentis {
namespace {

constexpr std::array<char, 4> kStateLetters{'U', 'D', 'F', 'X'};

}  // namespace

ImageButton::ImageButton(const QString& imageName, QWidget* parent) : QAbstractButton(parent) {
  LoadSiteButtonImages();
  for (std::size_t state = 0; state < pictures_.size(); ++state) {
    pictures_[state] = QPixmap(
        QStringLiteral(":/images/%1%2.png").arg(imageName).arg(QChar(kStateLetters[state])));
  }
  setFocusPolicy(Qt::StrongFocus);
}

ImageButton::State ImageButton::CurrentState() const {
  if (!isEnabled()) return State::kDisabled;
  if (isDown()) return State::kPressed;
  if (hasFocus()) return State::kFocused;
  return State::kNormal;
}

const QPixmap& ImageButton::Picture(State state) const {
  return pictures_[static_cast<std::size_t>(state)];
}

QSize ImageButton::sizeHint() const {
  return Picture(State::kNormal).size();
}

void ImageButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, Picture(CurrentState()));
}

}  // namespace orlentis
