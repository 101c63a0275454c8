#include "directory/database_message.h"

#include "base/language.h"

namespace orlentis {
namespace {

std::string TextOr(int id, const char* english) {
  std::string text = GetLanguageText(id);
  return text.empty() ? english : text;
}

}  // namespace

std::string DatabaseOutcomeMessage(DbOutcome outcome) {
  switch (outcome) {
    case DbOutcome::kDone:
      return {};
    case DbOutcome::kBusy:
      return TextOr(kTextDatabaseBusy,
                    "The database is busy with other work; nothing was changed. Try again in "
                    "a moment.");
    case DbOutcome::kSkipped:
    case DbOutcome::kFailed:
      break;
  }
  return TextOr(kTextDatabaseUnavailable,
                "The database cannot be used at the moment; nothing was changed.");
}

std::string DatabaseWaitingMessage() {
  return TextOr(kTextDatabaseWaiting, "Waiting for the database...");
}

}  // namespace orlentis
