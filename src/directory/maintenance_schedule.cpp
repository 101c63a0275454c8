#include "directory/maintenance_schedule.h"

#include "store/database_maintenance.h"

namespace orlentis {

void RescheduleMaintenance() {
  DatabaseMaintenance::Instance().ScheduleNextMaintenance();
}

}  // namespace orlentis
