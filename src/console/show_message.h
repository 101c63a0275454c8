#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace orlentis {

// How a page shows a message box. Pages call it through this function so that a test can
// answer it instead of a modal loop.
using ShowMessage = std::function<void(const QString& caption, const QString& text)>;

// A warning box with an OK button, over parent.
ShowMessage WarningBoxOver(QWidget* parent);

}  // namespace orlentis
