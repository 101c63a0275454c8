#pragma once

#include <filesystem>
#include <string>

namespace orlentis::peer {

// Accounts for a load run, written straight into a server's database: the protocol has no
// request that creates users. The server may be running meanwhile.
struct SeedSettings {
  std::filesystem::path home;  // the server's program folder, holding OrlentisDB.db
  int users = 64;
  std::string userPrefix = "bench-user-";  // users are userPrefix0, userPrefix1, ...
  std::string password = "bench-password";
  std::string group = "Operator";
  // Every user may see every camera of every site and instance checked in from this address.
  std::string grantAddress = "127.0.0.1";
};

struct SeedReport {
  int usersAdded = 0;
  int usersUpdated = 0;
  int permissionsAdded = 0;
};

// Adds the missing users (or resets their password and group) and the missing camera
// permissions, in one transaction. Throws PeerFailure: kUsage when the folder has no database
// or the group does not exist, kLocal when the database cannot be written.
SeedReport SeedAccounts(const SeedSettings& settings);

std::string SeedReportText(const SeedReport& report);

}  // namespace orlentis::peer
