#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace orlentis {

// How a page shows a message box. Pages call it through this function so that a test can
// answer it instead of a modal loop.
using ShowMessage = std::function<void(const QString& caption, const QString& text)>;

// How a page asks before it changes something; true for Yes.
using AskYesNo = std::function<bool(const QString& caption, const QString& text)>;

// A warning box with an OK button, over parent.
ShowMessage WarningBoxOver(QWidget* parent);
// A question box with the buttons Yes and No, over parent.
AskYesNo QuestionBoxOver(QWidget* parent);

}  // namespace orlentis
