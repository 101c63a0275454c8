#pragma once

#include <QLabel>
#include <QTimer>
#include <utility>

#include "console/directory_door.h"
#include "directory/account_verdict.h"
#include "directory/group_accounts.h"
#include "directory/user_accounts.h"
#include "store/db_outcome.h"

namespace orlentis {

// What the database did with an operation, whatever the operation gave back.
inline DbOutcome OutcomeOf(DbOutcome outcome) {
  return outcome;
}
template <class T>
DbOutcome OutcomeOf(const DbResult<T>& result) {
  return result.outcome;
}
inline DbOutcome OutcomeOf(const AccountVerdict& verdict) {
  return verdict.database;
}
inline DbOutcome OutcomeOf(const UserReading& reading) {
  return reading.verdict.database;
}
inline DbOutcome OutcomeOf(const GroupListing& listing) {
  return listing.verdict.database;
}

// The line above a page's lists that says, in words, why the database did not answer: busy
// with another program's write, or unavailable. Without it a failed read would show as an
// empty list ("no users" where the truth is "no database"). While an operation has been
// waiting for a moment it says so; when all went well it is hidden.
class DatabaseStatusLine : public QLabel {
  Q_OBJECT

 public:
  // A quick answer shows nothing, so the line does not flicker at every refresh.
  static constexpr int kWaitingShownAfterMs = 300;

  explicit DatabaseStatusLine(QWidget* parent = nullptr);

  // Asks the door for work on behalf of owner (the page or dialog the line belongs to), the
  // line following the operation until deliver gets its result.
  template <class Work, class Deliver>
  void Ask(DirectoryDoor& door, QObject* owner, Work work, Deliver deliver) {
    Begin();
    door.Ask(owner, std::move(work), [this, deliver = std::move(deliver)](auto result) mutable {
      End(OutcomeOf(result));
      deliver(std::move(result));
    });
  }

 private:
  void Begin();
  // Once every operation asked since the line was last idle has come back, it shows what the
  // last one that failed met, or nothing.
  void End(DbOutcome outcome);
  void ShowText(const QString& text);

  int unanswered_ = 0;
  DbOutcome failed_ = DbOutcome::kDone;
  QTimer waiting_;
};

}  // namespace orlentis
