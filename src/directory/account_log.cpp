#include "directory/account_log.h"

#include "base/language.h"
#include "base/text_ids.h"
#include "store/event_log.h"

namespace orlentis {
namespace {}  // namespace

void LogAccountChange(soci::session& session, std::string_view source, int actionTextId,
                      std::string_view name) {
  const std::string action = GetLanguageText(actionTextId);
  AppendLogEntryInOperation(session, source, action + " (" + std::string(name) + ")", action);
}

void LogLoginsThrottled(const std::string& source) {
  AppendLogEntry(source, GetLanguageText(kTextLoginsThrottled),
                 GetLanguageText(kTextLoginsThrottledDetail), true);
}

std::string ConsoleLogSource() {
  return GetLanguageText(kTextProgramName);
}

}  // namespace orlentis
