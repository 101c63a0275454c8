#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "base/default_files.h"
#include "base/profile_file.h"
#include "base/program_folder.h"
#include "store/bound_statement.h"
#include "store/schema.h"
#include "store_test.h"
#include "support/base/child_process.h"

namespace orlentis::testing {
namespace {

constexpr int kGenerousWaitMs = 60000;

mode_t FileMode(const std::filesystem::path& file) {
  struct stat status {};
  EXPECT_EQ(::stat(file.c_str(), &status), 0) << file;
  return status.st_mode & 0777;
}

// The log of the database at file, oldest first, as "action/detail"; empty until it exists.
std::vector<std::string> LogActions(const std::filesystem::path& file) {
  std::vector<std::string> actions;
  if (!std::filesystem::exists(file)) return actions;
  try {
    auto session = OpenSession(file);
    std::string action, detail;
    BoundStatement query(*session, "SELECT strAction, strDetail FROM Log ORDER BY time, rowid");
    query.Into(action).Into(detail);
    while (query.Fetch()) actions.push_back(action + "/" + detail);
  } catch (const std::exception&) {
    // The server has not created its tables yet.
  }
  return actions;
}

TEST(StoreStartupTest, FirstStartCreatesTheDatabaseMaintainsItAndLogsTheStart) {
  TempFolder home;
  WriteDefaultProgramFiles(home.Path());
  ProfileFile settings(home / kSettingsFileName);
  settings.SetText("IPSETTING", "PORT", "0");  // any free port, should the server listen
  ASSERT_TRUE(settings.SaveAs(home / kSettingsFileName));

  ChildProcess server({ORLENTIS_BINARY,
                       {"--headless", "--home", home.Path().string()},
                       {},
                       {std::string(kAdminPasswordVariable) + "="}});
  const auto database = home / kDatabaseFileName;
  const std::vector<std::string> expected = {"Database maintenance/Database compacted successfully",
                                             "Start/Orlentis start"};
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kGenerousWaitMs);
  while (LogActions(database) != expected && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(LogActions(database), expected);
  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(kGenerousWaitMs), 0);

  EXPECT_EQ(FileMode(database), 0600);
  const auto passwordFile = home / kInitialPasswordFileName;
  EXPECT_EQ(FileMode(passwordFile), 0600);
  std::string password = ReadWholeFile(passwordFile);
  ASSERT_FALSE(password.empty());
  password.pop_back();
  EXPECT_NE(server.ErrorOutput().find(password), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home / kTemporaryDatabaseFileName));
}

}  // namespace
}  // namespace orlentis::testing
