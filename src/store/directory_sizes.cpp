#include "store/directory_sizes.h"

#include <soci/soci.h>

#include "store/bound_statement.h"

namespace orlentis {
namespace {

std::int64_t CountOf(soci::session& session, const char* query) {
  long long count = 0;
  BoundStatement statement(session, query);
  statement.Into(count);
  statement.Execute();
  return count;
}

}  // namespace

DirectorySizes CountDirectorySizes(soci::session& session) {
  DirectorySizes sizes;
  sizes.users = CountOf(session, "SELECT COUNT(*) FROM \"User\"");
  sizes.sitesOnline = CountOf(session, "SELECT COUNT(*) FROM Site WHERE bOnline = 1");
  sizes.logEntries = CountOf(session, "SELECT COUNT(*) FROM Log");
  return sizes;
}

}  // namespace orlentis
