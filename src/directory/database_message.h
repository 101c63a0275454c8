#pragma once

#include <string>

#include "store/db_outcome.h"

namespace orlentis {

// What the administrator is told of an operation the database did not run to its end: busy
// (another program holds the write lock; trying again helps) or unavailable (failing, or
// being repaired). Empty for kDone. A language file older than these texts gets the English.
std::string DatabaseOutcomeMessage(DbOutcome outcome);

// What the administrator is told while an operation is still waiting for the database.
std::string DatabaseWaitingMessage();

}  // namespace orlentis
