#pragma once

#include <QString>

#include "base/language.h"

namespace orlentis {

// A language text as the console shows it; a missing text shows nothing.
inline QString PageText(int id) {
  return QString::fromStdString(GetLanguageText(id));
}

// A text newer than the first language files: the English.lng that an older version wrote into
// a program folder lacks it, and english stands in for it there.
inline QString PageTextOr(int id, const char* english) {
  return QString::fromStdString(GetLanguageTextOr(id, english));
}

}  // namespace orlentis
