#pragma once

#include <string>

#include "store/db_outcome.h"

namespace orlentis {

// Why an account operation changed nothing.
enum class AccountRefusal {
  kNone,
  kNothingSelected,          // no user or group was named
  kNoGroupChosen,            // kTextNoGroupChosen
  kGroupGone,                // kTextGroupGone with the group's shown name
  kUserExists,               // kTextUserExists with the user's name
  kNoUserName,               // kTextNoUserName
  kPasswordsDiffer,          // kTextPasswordsDiffer
  kBlankPassword,            // kTextBlankPassword
  kPasswordOutsideCodePage,  // kTextPasswordOutsideCodePage: the recorders could not send it
  kNoGroupName,              // kTextNoGroupName
  kGroupExists,              // kTextGroupExists with the group's name
  kProtected,                // the administrator account or a default group
  kNotFound,                 // the row is gone (changed elsewhere meanwhile)
  kCannotMove,               // the group is at the end it would move past
  kDefaultGroupsKeepOrder,   // two default groups never change places
  kSiteOnline,               // only off-line sites are removed
  kBlankAddress,             // no octet of the address was given
  kInstanceCountOutOfRange,  // 1 to 4 instances are added at a time
  kNoGroupSettingRight,      // kTextNoGroupSettingRight: only the Administrator group changes the
                             // groups
};

// What became of an account operation: done, refused (with the language text to show, or
// none for the refusals that pass silently), or not run to its end by the database.
struct AccountVerdict {
  enum class Kind { kDone, kRefused, kDatabaseFailed };

  Kind kind = Kind::kDone;
  AccountRefusal refusal = AccountRefusal::kNone;
  int textId = 0;                         // 0: refused without a message
  std::string subject;                    // what the text's %s stands for
  DbOutcome database = DbOutcome::kDone;  // kSkipped (unavailable), kFailed or kBusy

  static AccountVerdict Done() { return {}; }
  static AccountVerdict Refused(AccountRefusal refusal, int textId = 0, std::string subject = {});
  // A guarded operation that did not run to its end; kDone gives Done().
  static AccountVerdict FromOutcome(DbOutcome outcome);

  bool IsDone() const { return kind == Kind::kDone; }
  bool IsRefused() const { return kind == Kind::kRefused; }
  // The language text with the subject in place of its %s; empty for a silent refusal. A
  // verdict of the database says why the database did not do it.
  std::string Message() const;
};

}  // namespace orlentis
