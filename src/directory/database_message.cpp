#include "directory/database_message.h"

#include "base/language.h"
#include "base/text_ids.h"

namespace orlentis {
std::string DatabaseOutcomeMessage(DbOutcome outcome) {
  switch (outcome) {
    case DbOutcome::kDone:
      return {};
    case DbOutcome::kBusy:
      return GetLanguageTextOr(
          kTextDatabaseBusy,
          "The database is busy with other work; nothing was changed. Try again in "
          "a moment.");
    case DbOutcome::kSkipped:
    case DbOutcome::kFailed:
      break;
  }
  return GetLanguageTextOr(kTextDatabaseUnavailable,
                           "The database cannot be used at the moment; nothing was changed.");
}

std::string DatabaseWaitingMessage() {
  return GetLanguageTextOr(kTextDatabaseWaiting, "Waiting for the database...");
}

}  // namespace orlentis
