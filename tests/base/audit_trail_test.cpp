#include "base/audit_trail.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orlentis::testing {
namespace {

bool Has(const std::vector<std::string>& fields, const std::string& field) {
  return std::find(fields.begin(), fields.end(), field) != fields.end();
}

// A collector filters on the fields by name, so each fact has its own, an empty one none, and
// the syslog line keeps a value with quotes in one piece.
TEST(AuditTrailTest, TheRecordsFieldsCarryEachFactUnderItsOwnName) {
  const AuditRecord record{"account.user-changed",
                           "orlentis-admin (root)",
                           "Modify User (Ann \"A\")",
                           "Modify User",
                           "",
                           "Ann \"A\"",
                           "password, rights"};
  const auto fields = JournalFields(record, "host:10240");
  EXPECT_TRUE(Has(fields, "MESSAGE=orlentis-admin (root): Modify User (Ann \"A\") (Modify User)"));
  EXPECT_TRUE(Has(fields, "SYSLOG_IDENTIFIER=orlentis"));
  EXPECT_TRUE(Has(fields, "ORLENTIS_EVENT=account.user-changed"));
  EXPECT_TRUE(Has(fields, "ORLENTIS_USER=Ann \"A\""));
  EXPECT_TRUE(Has(fields, "ORLENTIS_CHANGES=password, rights"));
  EXPECT_TRUE(Has(fields, "ORLENTIS_SERVER=host:10240"));
  EXPECT_FALSE(std::any_of(fields.begin(), fields.end(), [](const std::string& f) {
    return f.starts_with("ORLENTIS_ADDRESS=");
  }));

  const std::string line = SyslogLine(record, "");
  EXPECT_NE(line.find(" user=\"Ann \\\"A\\\"\""), std::string::npos) << line;
  EXPECT_NE(line.find(" changes=\"password, rights\""), std::string::npos) << line;
  EXPECT_EQ(line.find("server="), std::string::npos) << line;
}

}  // namespace
}  // namespace orlentis::testing
