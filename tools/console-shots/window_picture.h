#pragma once

#include <QImage>
#include <filesystem>

class QWidget;

namespace orlentis::shots {

// The window as drawn, under a plain caption bar with its icon and title: the offscreen
// platform draws no frames, and a dialog's title is often all that tells two of them apart.
QImage WindowPicture(QWidget& window);

// Writes image as a compact PNG file; throws when it cannot be written.
void SavePicture(const QImage& image, const std::filesystem::path& file);

}  // namespace orlentis::shots
