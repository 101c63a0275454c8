#pragma once

#include <QString>

#include "base/language.h"

namespace orlentis {

// A language text as the console shows it; a missing text shows nothing.
inline QString PageText(int id) {
  return QString::fromStdString(GetLanguageText(id));
}

// A text newer than the first language files, which the compiled-in English stands in for.
inline QString NewerPageText(int id) {
  return QString::fromStdString(GetNewerLanguageText(id));
}

}  // namespace orlentis
