#include "directory/account_log.h"

#include "base/language.h"
#include "base/text_ids.h"
#include "store/event_log.h"

namespace orlentis {
namespace {

struct ChangeWords {
  int actionTextId;
  std::string_view event;
};

ChangeWords WordsOf(AccountChange change) {
  switch (change) {
    case AccountChange::kUserAdded:
      return {kTextAddUserAction, "account.user-added"};
    case AccountChange::kUserChanged:
      return {kTextModifyUser, "account.user-changed"};
    case AccountChange::kUserDeleted:
      return {kTextDeleteUser, "account.user-deleted"};
    case AccountChange::kGroupAdded:
      return {kTextAddGroup, "account.group-added"};
    case AccountChange::kGroupChanged:
      return {kTextModifyGroup, "account.group-changed"};
    case AccountChange::kGroupDeleted:
      break;
  }
  return {kTextDeleteGroup, "account.group-deleted"};
}

void LogLoginsThrottled(const std::string& source, const LogEntryFacts& facts) {
  AppendLogEntry(source, GetLanguageText(kTextLoginsThrottled),
                 GetLanguageText(kTextLoginsThrottledDetail), facts, true);
}

}  // namespace

void LogAccountChange(soci::session& session, std::string_view source, AccountChange change,
                      std::string_view name, std::string_view changedFields) {
  const ChangeWords words = WordsOf(change);
  const std::string action = GetLanguageText(words.actionTextId);
  AppendLogEntryInOperation(session, source, action + " (" + std::string(name) + ")", action,
                            {words.event, {}, name, changedFields});
}

void LogAddressLoginsThrottled(const std::string& address) {
  LogLoginsThrottled(address, {"login.throttled", address});
}

void LogConsoleLoginsThrottled(const std::string& name) {
  LogLoginsThrottled(name, {"login.throttled", {}, name});
}

std::string ConsoleLogSource() {
  return GetLanguageText(kTextProgramName);
}

}  // namespace orlentis
