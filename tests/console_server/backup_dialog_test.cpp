#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "base/single_instance.h"
#include "console/directory_door.h"
#include "console/log_page.h"
#include "console/modal_dialogs.h"
#include "store/engine.h"
#include "support/app/xvfb_server.h"
#include "support/base/child_process.h"
#include "support/net/recorder_services_server.h"
#include "support/net/recorder_wire.h"

namespace orlentis::testing {
namespace {

constexpr int kWaitMs = 10000;

bool IsWithin(const std::filesystem::path& inner, const std::filesystem::path& outer) {
  return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
}

// What this process still holds open of folder's files after another process deleted them.
std::vector<std::string> DeletedFilesHeldOpen(const std::filesystem::path& folder) {
  std::vector<std::string> deleted;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (target.starts_with(folder.string()) && target.ends_with(" (deleted)")) {
      deleted.push_back(target);
    }
  }
  return deleted;
}

// The sqlite3 shell in a process of its own: opens the database, runs sql and closes it, as
// the last connection when it believes it is alone.
std::string QueryFromAnotherProcess(const std::filesystem::path& database, const std::string& sql) {
  ChildProcess shell({FindProgram("sqlite3").string(), {database.string(), sql}, {}, {}});
  EXPECT_EQ(shell.Wait(kWaitMs), 0) << shell.ErrorOutput();
  return shell.StandardOutput();
}

void CheckIn(RecorderServicesServer& server, std::u16string_view name) {
  WireClient client = server.Connect();
  ASSERT_TRUE(client.Send(SiteCheckInBlock(CMD_SITE_CHECKIN, name)));
  const auto reply = ReceiveStatus(client);
  ASSERT_TRUE(reply.has_value());
  ASSERT_EQ(reply->word, RSP_OK);
}

// Lists folder in the dialog until every name in it has the type the dialog shows for it:
// whatever the dialog learns of a file, it has learnt by then.
bool ListedWithTypes(QFileDialog& dialog, const std::filesystem::path& folder,
                     const std::vector<std::string>& names) {
  dialog.setDirectory(QString::fromStdString(folder.string()));
  auto* model = dialog.findChild<QFileSystemModel*>();
  if (model == nullptr) return false;
  return QTest::qWaitFor(
      [&] {
        for (const std::string& name : names) {
          const QModelIndex index = model->index(QString::fromStdString((folder / name).string()));
          if (!index.isValid() || model->type(index).isEmpty()) return false;
        }
        return true;
      },
      kWaitMs);
}

// HOME set for the test's span: a service account's home may be its program folder.
class HomeFolder {
 public:
  explicit HomeFolder(const std::filesystem::path& home) : before_(qgetenv("HOME")) {
    qputenv("HOME", QByteArray::fromStdString(home.string()));
  }
  ~HomeFolder() { qputenv("HOME", before_); }
  HomeFolder(const HomeFolder&) = delete;
  HomeFolder& operator=(const HomeFolder&) = delete;

 private:
  QByteArray before_;
};

// The server holds the database open in this process while the administrator opens the
// Backup dialog on the program folder and cancels it. Another process's connection must still
// see the server's connections afterwards: were this process's locks dropped, that connection
// would take itself for the last one at its close and delete the write-ahead log under the
// server, and what the server acknowledged afterwards would never reach the file.
TEST(BackupDialogTest, ListingTheProgramFolderLeavesTheServersDatabaseWhole) {
  ASSERT_FALSE(FindProgram("sqlite3").empty()) << "scripts/install-deps.sh installs the shell";
  RecorderServicesServer server;
  const std::filesystem::path folder = server.Net().Program().Folder().Path();
  const std::filesystem::path database = folder / kDatabaseFileName;
  const SingleInstanceLock lock(folder);
  const HomeFolder home(folder);
  CheckIn(server, u"Before");

  DirectoryDoor door;
  LogPage page(door, true, LogLimits{});
  QStringList messages;
  page.SetMessageBox([&](const QString&, const QString& text) { messages << text; });
  QObject scope;
  bool listed = false;
  std::filesystem::path startFolder;
  WhenModal<QFileDialog>(&scope, [&](QFileDialog* dialog) {
    startFolder = dialog->directory().canonicalPath().toStdString();
    listed = ListedWithTypes(*dialog, folder,
                             {kDatabaseFileName, std::string(kDatabaseFileName) + "-wal",
                              std::string(kDatabaseFileName) + "-shm", kLockFileName});
    dialog->reject();
  });
  page.Backup();
  ASSERT_TRUE(listed);
  EXPECT_FALSE(startFolder.empty());
  EXPECT_FALSE(IsWithin(startFolder, folder)) << startFolder;
  EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

  const std::string sites = "SELECT strSiteName FROM Site ORDER BY nID;";
  EXPECT_EQ(QueryFromAnotherProcess(database, sites), "Before\n");
  EXPECT_EQ(DeletedFilesHeldOpen(folder), std::vector<std::string>{});
  CheckIn(server, u"After");
  EXPECT_EQ(QueryFromAnotherProcess(database, sites), "Before\nAfter\n");
}

}  // namespace
}  // namespace orlentis::testing
