#include "console/main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "app/server.h"
#include "base/settings.h"
#include "console/console_page.h"
#include "console/console_sheet.h"
#include "console/door_waits.h"
#include "console/log_page.h"
#include "console/modal_dialogs.h"
#include "console/preferences_page.h"
#include "console/tray_icons.h"
#include "store/database_maintenance.h"
#include "support/base/temp_folder.h"
#include "support/net/recorder_wire.h"
#include "support/store/store_rows.h"
#include "support/store/temp_database.h"

namespace orlentis::testing {
namespace {

WorkerOptions LoopbackOptions() {
  WorkerOptions options;
  options.bindAddress = "127.0.0.1";
  options.settings = &Settings::Instance();
  return options;
}

std::vector<QString> TabTitles(ConsoleSheet* sheet) {
  std::vector<QString> titles;
  for (int index = 0; index < sheet->PageCount(); ++index) {
    titles.push_back(sheet->Page(index)->Title());
  }
  return titles;
}

bool AnswersHostCheck(std::uint16_t port) {
  WireClient client(port);
  if (!client.Send(CheckIn("CheckHostExist"))) return false;
  const auto reply = ReceiveStatus(client);
  return reply && reply->word == RSP_OK;
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    window_.Start();
    noConsoleRight_ = AddUser("viewer", "viewer-pw", GroupIdByName("Operator"), 0x1FE);
  }

  // Answers the next login dialog with name and password; caption takes its caption.
  void WhenLoginAsks(const QString& name, const QString& password, QString* caption = nullptr) {
    WhenModal<ConsoleLoginDialog>(&scope_, [=](ConsoleLoginDialog* dialog) {
      if (caption != nullptr) *caption = dialog->windowTitle();
      dialog->SetCredentials(name, password);
      dialog->accept();
    });
  }

  // Takes the text of the next message box and closes it.
  void WhenMessageBox(QString* text) {
    WhenModal<QMessageBox>(&scope_, [text](QMessageBox* box) {
      *text = box->text();
      box->accept();
    });
  }

  TempDatabase database_;
  Server server_{Settings::Instance(), LoopbackOptions()};
  MainWindow window_{server_};
  QObject scope_;
  UnexpectedDialogGuard guard_;
  std::int32_t noConsoleRight_ = 0;
};

TEST_F(MainWindowTest, StartShowsTheWelcomeBoxStartsTheWorkerAndDrivesItsSweeps) {
  EXPECT_TRUE(window_.isVisible());
  EXPECT_EQ(window_.windowTitle(), "Orlentis");
  EXPECT_EQ(window_.IconId(), kIconNormal);
  // The sweep timer goes to the worker: a connection whose host check was answered is dead
  // and goes at the next sweep.
  WireClient checked(server_.Port());
  ASSERT_TRUE(checked.Send(CheckIn("CheckHostExist")));
  ASSERT_TRUE(ReceiveStatus(checked).has_value());
  window_.OnSweepTimer();
  EXPECT_TRUE(checked.WaitForClose());
  // Off screen there is no tray: after the welcome second the window stays, with the two
  // commands as buttons.
  ASSERT_FALSE(window_.HasTray());
  window_.OnWelcomeTimer();
  EXPECT_TRUE(window_.isVisible());
  QStringList buttons;
  for (QPushButton* button : window_.findChildren<QPushButton*>()) {
    if (button->isVisible()) buttons << button->text();
  }
  EXPECT_EQ(buttons, QStringList({"Login", "Close"}));
}

TEST_F(MainWindowTest, AnimationRunsSixtyTicksFromItsStartAndEndsOnTheNormalIcon) {
  window_.OnRequestFailure();
  ASSERT_TRUE(window_.IsAnimating());
  std::vector<int> icons;
  for (int tick = 1; tick < MainWindow::kAnimationTicksPerRun; ++tick) {
    window_.OnAnimationTimer();
    icons.push_back(window_.IconId());
    // A second failure mid-run restarts the period, not the run.
    if (tick == 30) window_.OnRequestFailure();
  }
  EXPECT_EQ(std::vector<int>(icons.begin(), icons.begin() + 8),
            std::vector<int>({148, 149, 150, 142, 150, 149, 148, 148}));
  EXPECT_TRUE(window_.IsAnimating());
  EXPECT_EQ(window_.AnimationTicks(), 59);
  window_.OnAnimationTimer();
  EXPECT_FALSE(window_.IsAnimating());
  EXPECT_EQ(window_.IconId(), kIconNormal);
  EXPECT_EQ(window_.AnimationTicks(), 0);
  // The next run starts from its first frame.
  window_.OnRequestFailure();
  window_.OnAnimationTimer();
  EXPECT_EQ(window_.IconId(), kIconActivity1);
}

TEST_F(MainWindowTest, OnlyAFailedRequestStartsTheAnimation) {
  // Answered, and still open: a connection that ends counts as a failure too.
  WireClient answered(server_.Port());
  ASSERT_TRUE(answered.Send(CheckIn("CheckHostExist")));
  ASSERT_TRUE(ReceiveStatus(answered).has_value());
  QTest::qWait(100);
  EXPECT_FALSE(window_.IsAnimating());
  WireClient unknown(server_.Port());
  ASSERT_TRUE(unknown.Send(Block(0x7A7A7A7A, 16)));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window_.IsAnimating(); }, 10000));
}

TEST_F(MainWindowTest, LoginWhileANoticeIsUpBringsTheNoticeBack) {
  window_.ShowNotice("Title", "first text");
  QPointer<NoticeWindow> notice = window_.Notice();
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_TRUE(notice->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(notice->pos(), QPoint(512 - notice->width() / 2, 384 - notice->height() / 2));

  window_.OpenConsole();  // the guard fails the test if a login dialog opens
  EXPECT_EQ(window_.Notice(), notice);
  EXPECT_EQ(notice->windowTitle(), "Orlentis");
  EXPECT_EQ(notice->Text(), "Restart the program to apply the new listening address or port.");

  // Once the notice is closed, Login asks for the login again.
  notice->accept();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window_.Notice(), nullptr);
  bool asked = false;
  WhenModal<ConsoleLoginDialog>(&scope_, [&](ConsoleLoginDialog* dialog) {
    asked = true;
    dialog->reject();
  });
  window_.OpenConsole();
  EXPECT_TRUE(asked);
  EXPECT_FALSE(window_.IsConsoleOpen());
}

TEST_F(MainWindowTest, TheConsoleShowsThePagesOfTheUsersRightAndOpensOnlyOnce) {
  std::vector<QString> titles;
  WhenModal<ConsoleLoginDialog>(&scope_, [&](ConsoleLoginDialog* dialog) {
    window_.OpenConsole();  // a second login dialog would be caught by the guard
    dialog->SetCredentials("Administrator", kTestAdminPassword);
    dialog->accept();
  });
  WhenModal<ConsoleSheet>(&scope_, [&](ConsoleSheet* sheet) {
    EXPECT_TRUE(window_.IsConsoleOpen());
    window_.OpenConsole();
    titles = TabTitles(sheet);
    EXPECT_EQ(sheet->CurrentPage(), sheet->Page(0));
    sheet->reject();
  });
  window_.OpenConsole();
  EXPECT_EQ(titles, std::vector<QString>({"Account", "Monitor", "Preferences", "Log"}));
  EXPECT_FALSE(window_.IsConsoleOpen());

  WhenLoginAsks("viewer", "viewer-pw");
  WhenModal<ConsoleSheet>(&scope_, [&](ConsoleSheet* sheet) {
    titles = TabTitles(sheet);
    sheet->reject();
  });
  window_.OpenConsole();
  EXPECT_EQ(titles, std::vector<QString>({"Log"}));
}

TEST_F(MainWindowTest, AFailedLoginShowsItsMessageAndOpensNothing) {
  QString caption;
  QString message;
  WhenLoginAsks("Administrator", "wrong", &caption);
  WhenMessageBox(&message);
  window_.OpenConsole();  // the guard fails the test if the console opens
  EXPECT_EQ(caption, "Login");
  EXPECT_EQ(message, "Login Error !!");
  EXPECT_FALSE(window_.IsConsoleOpen());

  WhenLoginAsks("Administrator", "wrong", &caption);
  WhenMessageBox(&message);
  QSignalSpy closed(&window_, &MainWindow::ProgramClosed);
  window_.CloseProgram();
  EXPECT_EQ(caption, "Close Program");
  EXPECT_EQ(message, "Login failed. The program keeps running.");
  EXPECT_EQ(closed.count(), 0);
  EXPECT_TRUE(AnswersHostCheck(server_.Port()));
}

TEST_F(MainWindowTest, CloseNeedsOnlyALoginThenLogsAndStopsTheWorker) {
  window_.ShowNotice("Title", "text");
  QPointer<NoticeWindow> notice = window_.Notice();
  QSignalSpy closed(&window_, &MainWindow::ProgramClosed);
  WhenLoginAsks("viewer", "viewer-pw");
  window_.CloseProgram();
  // The program ends once the close is in the log.
  ASSERT_TRUE(closed.wait(kDoorPatience.count() * 1000));
  EXPECT_EQ(closed.count(), 1);
  EXPECT_EQ(server_.Port(), 0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(notice, nullptr);
  const auto log = LogOldestFirst();
  ASSERT_EQ(log.size(), 2u);  // the login's own entry, then the close
  EXPECT_EQ(log[1].strSource, "Orlentis");
  EXPECT_EQ(log[1].strAction, "Program closed");
  EXPECT_EQ(log[1].strDetail, "viewer Program closed");
}

// What the console's OK stores, and what any other end of it does not.
class ConsoleSettingsTest : public MainWindowTest {
 protected:
  ~ConsoleSettingsTest() override {
    Settings::Instance().SetPreferences(PreferenceBlock{});
    Settings::Instance().SetLogLimits(LogLimits{});
    Settings::Instance().Save();
  }

  // Opens the console as the administrator and lets edit work on it; edit ends the sheet.
  void OpenConsoleAndEdit(std::function<void(ConsoleSheet*)> edit) {
    WhenLoginAsks("Administrator", kTestAdminPassword);
    WhenModal<ConsoleSheet>(&scope_, std::move(edit));
    window_.OpenConsole();
  }

  static QLineEdit* Field(QWidget* page, const char* name) {
    return page->findChild<QLineEdit*>(name);
  }

  static std::string SettingsFile() { return ReadWholeFile(Settings::Instance().Path()); }
};

TEST_F(ConsoleSettingsTest, OkStoresPreferencesAndLogLimitsAndAChangedPortBringsTheNotice) {
  QString refusal;
  OpenConsoleAndEdit([&](ConsoleSheet* sheet) {
    sheet->Preferences()->findChild<QComboBox*>()->setCurrentIndex(7);  // ten days
    sheet->SetCurrentPage(2);
    Field(sheet->Preferences(), "port")->setText("65536");
    WhenMessageBox(&refusal);
    sheet->accept();  // the Preferences page cannot be left with that port
    EXPECT_TRUE(sheet->isVisible());
    Field(sheet->Preferences(), "port")->setText("10250");
    Field(sheet->Log(), "records")->setText("500");
    sheet->accept();
  });
  EXPECT_TRUE(refusal.contains("65535")) << refusal.toStdString();
  EXPECT_EQ(Settings::Instance().GetPreferences().port, 10250);
  EXPECT_EQ(Settings::Instance().GetLogLimits().keepRecords, 500);
  EXPECT_NE(SettingsFile().find("PORT=10250"), std::string::npos);
  // The next maintenance counts from the last by the interval stored.
  Settle(window_.Door());
  const DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  EXPECT_DOUBLE_EQ(maintenance.NextMaintenance(), maintenance.LastMaintenance() + 10);
  ASSERT_NE(window_.Notice(), nullptr);
  EXPECT_EQ(window_.Notice()->Text(),
            "Restart the program to apply the new listening address or port.");
}

TEST_F(ConsoleSettingsTest, TheCloseBoxStoresNothing) {
  const std::string before = SettingsFile();
  OpenConsoleAndEdit([&](ConsoleSheet* sheet) {
    Field(sheet->Preferences(), "port")->setText("10250");
    Field(sheet->Log(), "records")->setText("500");
    sheet->close();
  });
  EXPECT_EQ(Settings::Instance().GetPreferences(), PreferenceBlock{});
  EXPECT_EQ(Settings::Instance().GetLogLimits(), LogLimits{});
  EXPECT_EQ(SettingsFile(), before);
  EXPECT_EQ(window_.Notice(), nullptr);
}

// orlentis-admin writes Setting.ini beside the running program, as it does here: the console
// shows the file as it is when it opens, and OK writes only what its pages changed.
TEST_F(ConsoleSettingsTest, OkKeepsWhatAnotherProgramChangedInTheFile) {
  const auto changeFile = [](const std::function<void(PreferenceBlock&)>& change) {
    Settings file(Settings::Instance().Path());
    PreferenceBlock preferences = file.GetPreferences();
    change(preferences);
    file.SetPreferences(preferences);
    ASSERT_TRUE(file.Save());
  };
  changeFile([](PreferenceBlock& preferences) { preferences.port = 10260; });
  QString shownPort;
  OpenConsoleAndEdit([&](ConsoleSheet* sheet) {
    shownPort = Field(sheet->Preferences(), "port")->text();
    changeFile([](PreferenceBlock& preferences) { preferences.domain = "corp.example"; });
    Field(sheet->Log(), "records")->setText("500");
    sheet->accept();
  });
  EXPECT_EQ(shownPort, "10260");
  const Settings file(Settings::Instance().Path());
  EXPECT_EQ(file.GetPreferences().port, 10260);
  EXPECT_EQ(file.GetPreferences().domain, "corp.example");
  EXPECT_EQ(file.GetLogLimits().keepRecords, 500);
  EXPECT_EQ(Settings::Instance().GetLogLimits().keepRecords, 500);
  // The page left the port as it found it: nothing waits for a restart.
  EXPECT_EQ(window_.Notice(), nullptr);
}

// The file cannot be written when its temporary file cannot be made, even by root.
TEST_F(ConsoleSettingsTest, ASettingsFileThatCannotBeWrittenIsSaidAndTheConsoleStaysOpen) {
  const std::string before = SettingsFile();
  const std::filesystem::path blocker = Settings::Instance().Path().string() + ".new";
  std::filesystem::create_directory(blocker);
  QString message;
  bool stayedOpen = false;
  std::string fileAfterFailure;
  std::int32_t portAfterFailure = 0;
  OpenConsoleAndEdit([&](ConsoleSheet* sheet) {
    Field(sheet->Preferences(), "port")->setText("10250");
    WhenMessageBox(&message);
    sheet->accept();
    stayedOpen = sheet->isVisible();
    fileAfterFailure = SettingsFile();
    portAfterFailure = Settings::Instance().GetPreferences().port;
    EXPECT_EQ(window_.Notice(), nullptr);
    // Once the file can be written again, OK stores the page as it still stands.
    std::filesystem::remove(blocker);
    sheet->accept();
  });
  EXPECT_EQ(message, "Setting.ini could not be written: the settings are as they were.");
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(fileAfterFailure, before);
  EXPECT_EQ(portAfterFailure, PreferenceBlock{}.port);
  EXPECT_NE(SettingsFile().find("PORT=10250"), std::string::npos);
  EXPECT_NE(window_.Notice(), nullptr);
}

TEST_F(ConsoleSettingsTest, OtherPreferencesAreStoredWithoutANotice) {
  OpenConsoleAndEdit([&](ConsoleSheet* sheet) {
    sheet->Preferences()->findChild<QCheckBox*>("maintenance")->click();
    sheet->accept();
  });
  EXPECT_EQ(Settings::Instance().GetPreferences().autoMaintenance, 0);
  EXPECT_EQ(window_.Notice(), nullptr);
}

}  // namespace
}  // namespace orlentis::testing
