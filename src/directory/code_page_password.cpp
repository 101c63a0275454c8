#include "directory/code_page_password.h"

#include "access/password_digest.h"
#include "base/code_page_text.h"
#include "base/settings.h"

namespace orlentis {

std::optional<std::string> CodePagePasswordDigest(std::string_view utf8Password) {
  const CodePageText codePage(UsableCodePage(Settings::Instance().GetCodePage()));
  const std::optional<std::string> bytes = codePage.FromUtf8Exactly(utf8Password);
  if (!bytes) return std::nullopt;
  return PasswordDigest(*bytes, false);
}

}  // namespace orlentis
