#include "directory/database_message.h"

#include "base/language.h"
#include "base/text_ids.h"

namespace orlentis {
std::string DatabaseOutcomeMessage(DbOutcome outcome) {
  switch (outcome) {
    case DbOutcome::kDone:
      return {};
    case DbOutcome::kBusy:
      return GetNewerLanguageText(kTextDatabaseBusy);
    case DbOutcome::kSkipped:
    case DbOutcome::kFailed:
      break;
  }
  return GetNewerLanguageText(kTextDatabaseUnavailable);
}

std::string DatabaseWaitingMessage() {
  return GetNewerLanguageText(kTextDatabaseWaiting);
}

}  // namespace orlentis
