#pragma once

namespace orlentis {

// The preferences were stored (the console's OK): the next scheduled maintenance counts from
// the last one by the interval they now hold.
void RescheduleMaintenance();

}  // namespace orlentis
