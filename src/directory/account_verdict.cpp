#include "directory/account_verdict.h"

#include <utility>

#include "base/language.h"
#include "base/text_ids.h"
#include "directory/database_message.h"

namespace orlentis {
namespace {

// A language file older than a refusal's text still gets words for it.
std::string RefusalText(int textId) {
  if (textId == kTextNoGroupSettingRight) {
    return GetNewerLanguageText(textId);
  }
  return GetLanguageText(textId);
}

}  // namespace

AccountVerdict AccountVerdict::Refused(AccountRefusal refusal, int textId, std::string subject) {
  AccountVerdict verdict;
  verdict.kind = Kind::kRefused;
  verdict.refusal = refusal;
  verdict.textId = textId;
  verdict.subject = std::move(subject);
  return verdict;
}

AccountVerdict AccountVerdict::FromOutcome(DbOutcome outcome) {
  AccountVerdict verdict;
  if (outcome != DbOutcome::kDone) verdict.kind = Kind::kDatabaseFailed;
  verdict.database = outcome;
  return verdict;
}

std::string AccountVerdict::Message() const {
  if (kind == Kind::kDatabaseFailed) return DatabaseOutcomeMessage(database);
  if (textId == 0) return {};
  std::string text = RefusalText(textId);
  const std::size_t placeholder = text.find("%s");
  if (placeholder != std::string::npos) text.replace(placeholder, 2, subject);
  return text;
}

}  // namespace orlentis
