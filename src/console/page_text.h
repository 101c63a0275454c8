#pragma once

#include <QString>

#include "base/language.h"

namespace orlentis {

// A language text as the console shows it; a missing text shows nothing.
inline QString PageText(int id) {
  return QString::fromStdString(GetLanguageText(id));
}

}  // namespace orlentis
