#include "window_picture.h"

#include <QImageWriter>
#include <QPainter>
#include <QPixmap>
#include <QSet>
#include <QWidget>
#include <stdexcept>

namespace orlentis::shots {
namespace {

constexpr int kCaptionHeight = 26;
constexpr int kBorder = 1;
constexpr int kIconSize = 16;
constexpr int kCaptionPadding = 6;
constexpr qsizetype kPaletteSize = 256;

const QColor kBorderColour(0x8a, 0x93, 0x9c);
const QColor kCaptionColour(0xdd, 0xe3, 0xea);
const QColor kCaptionTextColour(0x20, 0x28, 0x30);

void DrawCaption(QPainter& painter, const QWidget& window, const QRect& caption) {
  painter.fillRect(caption, kCaptionColour);
  int textLeft = caption.left() + kCaptionPadding;
  if (!window.windowIcon().isNull()) {
    const int iconTop = caption.top() + (caption.height() - kIconSize) / 2;
    window.windowIcon().paint(&painter, QRect(textLeft, iconTop, kIconSize, kIconSize));
    textLeft += kIconSize + kCaptionPadding;
  }
  QFont font = window.font();
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(kCaptionTextColour);
  painter.drawText(QRect(textLeft, caption.top(), caption.right() - textLeft, caption.height()),
                   Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
}

// Whether image has at most 256 colours, which an indexed PNG then holds exactly.
bool FitsPalette(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      colours.insert(line[x]);
      if (colours.size() > kPaletteSize) return false;
    }
  }
  return true;
}

}  // namespace

QImage WindowPicture(QWidget& window) {
  const QPixmap body = window.grab();
  QImage picture(body.width() + 2 * kBorder, body.height() + kCaptionHeight + 2 * kBorder,
                 QImage::Format_RGB32);
  picture.fill(kBorderColour);
  QPainter painter(&picture);
  DrawCaption(painter, window, QRect(kBorder, kBorder, body.width(), kCaptionHeight));
  painter.drawPixmap(kBorder, kBorder + kCaptionHeight, body);
  return picture;
}

void SavePicture(const QImage& image, const std::filesystem::path& file) {
  QImageWriter writer(QString::fromStdString(file.string()), "png");
  // For PNG the quality is the inverse of the compression level: 0 packs the tightest.
  writer.setQuality(0);
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const bool indexed = FitsPalette(rgb);
  if (!writer.write(indexed ? rgb.convertToFormat(QImage::Format_Indexed8) : rgb)) {
    throw std::runtime_error("cannot write " + file.string() + ": " +
                             writer.errorString().toStdString());
  }
}

}  // namespace orlentis::shots
