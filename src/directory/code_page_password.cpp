#include "directory/code_page_password.h"

#include "access/password_digest.h"
#include "base/settings.h"

namespace orlentis {

std::optional<std::string> CodePagePasswordDigest(std::string_view utf8Password) {
  return CodePagePasswordDigest(utf8Password, Settings::Instance().GetCodePage());
}

}  // namespace orlentis
