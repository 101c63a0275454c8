#include "console/database_status_line.h"

#include "directory/database_message.h"

namespace orlentis {

DatabaseStatusLine::DatabaseStatusLine(QWidget* parent) : QLabel(parent) {
  setWordWrap(true);
  setObjectName("databaseStatus");
  hide();
  waiting_.setSingleShot(true);
  waiting_.setInterval(kWaitingShownAfterMs);
  connect(&waiting_, &QTimer::timeout, this,
          [this] { ShowText(QString::fromStdString(DatabaseWaitingMessage())); });
}

void DatabaseStatusLine::Begin() {
  if (unanswered_++ > 0) return;
  failed_ = DbOutcome::kDone;
  waiting_.start();
}

void DatabaseStatusLine::End(DbOutcome outcome) {
  if (outcome != DbOutcome::kDone) failed_ = outcome;
  if (--unanswered_ > 0) return;
  waiting_.stop();
  ShowText(QString::fromStdString(DatabaseOutcomeMessage(failed_)));
}

void DatabaseStatusLine::ShowText(const QString& text) {
  setText(text);
  setVisible(!text.isEmpty());
}

}  // namespace orlentis
