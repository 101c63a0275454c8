#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace orlentis::testing {

// Runs action on the next modal dialog of type T, from inside the dialog's own loop, once
// exec() has shown it. The action must end the dialog. The wait ends with scope.
template <class T>
void WhenModal(QObject* scope, std::function<void(T*)> action) {
  auto* timer = new QTimer(scope);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      action(dialog);
    }
  });
  timer->start();
}

// Fails the test, and ends the dialog, when a modal dialog that no WhenModal expects stays
// up; without it such a dialog would hang the test.
class UnexpectedDialogGuard {
 public:
  static constexpr int kPatienceMs = 3000;

  UnexpectedDialogGuard() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != seen_) {
        seen_ = modal;
        ticks_ = 0;
      } else if (modal != nullptr && ++ticks_ * kPeriodMs >= kPatienceMs) {
        ADD_FAILURE() << "unexpected dialog: " << modal->metaObject()->className() << " \""
                      << modal->windowTitle().toStdString() << '"';
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      }
    });
    timer_.start(kPeriodMs);
  }

 private:
  static constexpr int kPeriodMs = 50;
  QTimer timer_;
  QWidget* seen_ = nullptr;
  int ticks_ = 0;
};

}  // namespace orlentis::testing
