#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/engine.h"
#include "support/app/orlentis_process.h"
#include "support/base/operator_log_lines.h"
#include "support/base/temp_folder.h"

namespace orlentis {
namespace {

using testing::ChildProcess;
using testing::HeadlessLaunch;
using testing::IsTheOnlyErrorLine;
using testing::ReadWholeFile;
using testing::RunToEnd;
using testing::TempFolder;
using testing::WaitUntilExists;
using testing::WaitUntilFolderLocked;
using testing::WriteWholeFile;

constexpr int kWaitMs = 30000;

ChildProcess::Launch PlainLaunch(std::vector<std::string> arguments) {
  ChildProcess::Launch launch;
  launch.program = ORLENTIS_BINARY;
  launch.arguments = std::move(arguments);
  return launch;
}

unsigned ModeOf(const std::filesystem::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

TEST(CommandLineTest, UnknownOptionIsAOneLineUsageError) {
  std::string error;
  EXPECT_EQ(RunToEnd(PlainLaunch({"--frobnicate"}), kWaitMs, &error), 2);
  EXPECT_NE(error.find("--frobnicate"), std::string::npos);
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1);
  EXPECT_EQ(RunToEnd(PlainLaunch({"--home"}), kWaitMs), 2);
}

TEST(CommandLineTest, HelpAndVersionPrintAndSucceed) {
  ChildProcess help(PlainLaunch({"--help"}));
  EXPECT_EQ(help.Wait(kWaitMs), 0);
  EXPECT_NE(help.StandardOutput().find("--headless"), std::string::npos);
  ChildProcess version(PlainLaunch({"--version"}));
  EXPECT_EQ(version.Wait(kWaitMs), 0);
  EXPECT_EQ(version.StandardOutput().rfind("orlentis ", 0), 0u);
}

TEST(FirstStartTest, WritesDefaultFilesIntoANewNestedHome) {
  TempFolder root;
  const auto home = root / "a" / "b";
  ChildProcess server(HeadlessLaunch(home));
  ASSERT_TRUE(WaitUntilFolderLocked(home, kWaitMs));
  // Both files appear whole (each is renamed into place), the language file first.
  ASSERT_TRUE(testing::WaitUntilExists(home / "Setting.ini", kWaitMs));
  const std::string settings = ReadWholeFile(home / "Setting.ini");
  EXPECT_NE(settings.find("TYPE0=English.lng"), std::string::npos);
  EXPECT_NE(settings.find("PORT=10240"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(home / "English.lng"),
            ReadWholeFile(std::filesystem::path(ORLENTIS_SOURCE_DIR) / "resources/English.lng"));
  EXPECT_EQ(ModeOf(home / "Setting.ini"), 0600u);
  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(kWaitMs), 0);
}

TEST(FirstStartTest, ExistingSettingsAreLeftAlone) {
  TempFolder home;
  const std::string mine = "[IPSETTING]\nPORT=0\n; kept as written\n";
  WriteWholeFile(home / "Setting.ini", mine);
  ChildProcess server(HeadlessLaunch(home.Path()));
  ASSERT_TRUE(WaitUntilFolderLocked(home.Path(), kWaitMs));
  server.Signal(SIGINT);
  EXPECT_EQ(server.Wait(kWaitMs), 0);
  EXPECT_EQ(ReadWholeFile(home / "Setting.ini"), mine);
  EXPECT_FALSE(std::filesystem::exists(home / "English.lng"));
}

TEST(FirstStartTest, HomeFromTheEnvironment) {
  TempFolder root;
  ChildProcess::Launch launch = PlainLaunch({"--headless"});
  launch.environment = {"ORLENTIS_HOME=" + (root / "env-home").string(),
                        "ORLENTIS_ADMIN_PASSWORD=test-admin"};
  ChildProcess server(launch);
  ASSERT_TRUE(WaitUntilFolderLocked(root / "env-home", kWaitMs));
  EXPECT_TRUE(testing::WaitUntilExists(root / "env-home" / "Setting.ini", kWaitMs));
  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(kWaitMs), 0);
}

TEST(FirstStartTest, UncreatableHomeIsAnError) {
  TempFolder root;
  WriteWholeFile(root / "plain-file", "x");
  EXPECT_EQ(RunToEnd(HeadlessLaunch(root / "plain-file" / "home"), kWaitMs), 2);
}

// A folder the server cannot write to, or whose lock file cannot be opened, is named as such
// with status 2, never taken for a folder held by another instance.
TEST(FirstStartTest, UnusableFolderIsSaidSoNotTakenForAnotherInstance) {
  TempFolder home;
  std::filesystem::create_directory(home / "Orlentis.lock");
  std::string error;
  EXPECT_EQ(RunToEnd(HeadlessLaunch(home.Path()), kWaitMs, &error), 2);
  EXPECT_TRUE(IsTheOnlyErrorLine(error, "app.folder-unusable")) << error;
  EXPECT_NE(error.find("Orlentis.lock"), std::string::npos) << error;

  if (::geteuid() != 0) GTEST_SKIP() << "the read-only folder is tried as root turned nobody";
  // A folder owned by root that nobody may only read, with every parent open to pass through.
  TempFolder root;
  std::filesystem::permissions(root.Path(), std::filesystem::perms::all);
  const auto readOnly = root / "read-only";
  std::filesystem::create_directory(readOnly);
  std::filesystem::permissions(readOnly, static_cast<std::filesystem::perms>(0755));
  ChildProcess::Launch launch = HeadlessLaunch(readOnly);
  launch.arguments.insert(launch.arguments.begin(), launch.program);
  launch.arguments.insert(launch.arguments.begin(),
                          {"--reuid=65534", "--regid=65534", "--clear-groups"});
  launch.program = "/usr/bin/setpriv";
  EXPECT_EQ(RunToEnd(launch, kWaitMs, &error), 2);
  EXPECT_TRUE(IsTheOnlyErrorLine(error, "app.folder-unusable")) << error;
  EXPECT_NE(error.find("not writable"), std::string::npos) << error;
  EXPECT_TRUE(std::filesystem::is_empty(readOnly));
}

TEST(SingleInstanceTest, SecondStartOnTheSameFolderEndsAtOnce) {
  TempFolder home;
  WriteWholeFile(home / "Setting.ini", "[IPSETTING]\nPORT=0\n");
  ChildProcess first(HeadlessLaunch(home.Path()));
  ASSERT_TRUE(WaitUntilFolderLocked(home.Path(), kWaitMs));

  std::string error;
  EXPECT_EQ(RunToEnd(HeadlessLaunch(home.Path()), kWaitMs, &error), 1);
  EXPECT_NE(error.find("another instance"), std::string::npos);
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1);
  EXPECT_FALSE(first.Wait(0).has_value()) << "the first instance must keep running";

  first.Signal(SIGTERM);
  EXPECT_EQ(first.Wait(kWaitMs), 0);
  // Once the folder is free again a new server may take it.
  ChildProcess next(HeadlessLaunch(home.Path()));
  ASSERT_TRUE(WaitUntilFolderLocked(home.Path(), kWaitMs));
  next.Signal(SIGTERM);
  EXPECT_EQ(next.Wait(kWaitMs), 0);
}

TEST(SingleInstanceTest, DifferentFoldersRunSideBySide) {
  TempFolder one, two;
  WriteWholeFile(one / "Setting.ini", "[IPSETTING]\nPORT=0\n");
  WriteWholeFile(two / "Setting.ini", "[IPSETTING]\nPORT=0\n");
  ChildProcess first(HeadlessLaunch(one.Path()));
  ChildProcess second(HeadlessLaunch(two.Path()));
  ASSERT_TRUE(WaitUntilFolderLocked(one.Path(), kWaitMs));
  ASSERT_TRUE(WaitUntilFolderLocked(two.Path(), kWaitMs));
  EXPECT_FALSE(first.Wait(0).has_value());
  EXPECT_FALSE(second.Wait(0).has_value());
  first.Signal(SIGTERM);
  second.Signal(SIGTERM);
  EXPECT_EQ(first.Wait(kWaitMs), 0);
  EXPECT_EQ(second.Wait(kWaitMs), 0);
}

TEST(DatabaseVersionTest, NewerDatabaseEndsTheStartWithStatus3AndStaysAsItWas) {
  TempFolder home;
  WriteWholeFile(home / "Setting.ini", "[IPSETTING]\nPORT=0\n");
  const auto database = home / "OrlentisDB.db";
  ExecuteScript(*OpenSession(database),
                "PRAGMA journal_mode = DELETE; CREATE TABLE Site (nID INTEGER);"
                "INSERT INTO Site VALUES (7); PRAGMA user_version = 99;");
  const std::string bytes = ReadWholeFile(database);

  std::string error;
  EXPECT_EQ(RunToEnd(HeadlessLaunch(home.Path()), kWaitMs, &error), 3);
  EXPECT_TRUE(IsTheOnlyErrorLine(error, "error [store.database-refused] the database " +
                                            database.string() +
                                            " has schema version 99, newer than this program's "))
      << error;
  EXPECT_NE(error.find("refusing to start"), std::string::npos) << error;
  EXPECT_TRUE(ReadWholeFile(database) == bytes) << "the database file changed";
  EXPECT_FALSE(std::filesystem::exists(home / "Temp.db"));
}

TEST(CrashHandlerTest, DumpGoesToTheCurrentDirectoryNotTheProgramFolder) {
  TempFolder home, workingFolder;
  WriteWholeFile(home / "Setting.ini", "[IPSETTING]\nPORT=0\n[LANGUAGE]\nTYPE0=English.lng\n");
  WriteWholeFile(home / "English.lng", "[STRING]\n32780=Dump written to\n");
  ChildProcess::Launch launch = HeadlessLaunch(home.Path());
  launch.workingFolder = workingFolder.Path();
  ChildProcess server(launch);
  // The database is created only after the handler has taken the language file's text.
  ASSERT_TRUE(WaitUntilExists(home / "OrlentisDB.db", kWaitMs));

  server.Signal(SIGSEGV);
  EXPECT_EQ(server.Wait(kWaitMs), 128 + SIGSEGV) << "the process must end, not loop";
  const auto dump = workingFolder / "Orlentis.dmp";
  ASSERT_TRUE(std::filesystem::exists(dump));
  EXPECT_FALSE(std::filesystem::exists(home / "Orlentis.dmp"));
  const std::string report = ReadWholeFile(dump);
  EXPECT_NE(report.find("signal: 11 (SEGV)"), std::string::npos) << report;
  EXPECT_NE(report.find("backtrace:"), std::string::npos);
  EXPECT_NE(server.ErrorOutput().find("Dump written to " + dump.string() + "\n"), std::string::npos)
      << server.ErrorOutput();
}

}  // namespace
}  // namespace orlentis
