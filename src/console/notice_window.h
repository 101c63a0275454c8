#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace orlentis {

// A one-line notice: topmost, without owner, centred on the screen point (512, 384). It closes
// itself on OK, Esc or its close box and is then gone; the next notice creates a new one.
class NoticeWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kCentreX = 512;
  static constexpr int kCentreY = 384;

  NoticeWindow();

  // Sets caption and text, places the box and shows it in front of everything.
  void Show(const QString& title, const QString& text);
  QString Text() const;

 private:
  QLabel* text_;
};

}  // namespace orlentis
