#include "base/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "base/default_files.h"
#include "base/operator_log.h"
#include "support/base/operator_log_lines.h"
#include "support/base/temp_folder.h"

namespace orlentis {
namespace {

using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteWholeFile;

class SettingsTest : public ::testing::Test {
 protected:
  Settings Read(const std::string& content) {
    WriteWholeFile(ini_, content);
    return Settings(ini_);
  }

  TempFolder folder_;
  std::filesystem::path ini_ = folder_ / "Setting.ini";
};

TEST_F(SettingsTest, MissingFileGivesEveryDefault) {
  const Settings settings(folder_ / "absent.ini");
  EXPECT_EQ(settings.GetPort(), 10240);
  EXPECT_EQ(settings.GetListenAddress(), "");
  EXPECT_TRUE(settings.IsAutoMaintenance());
  EXPECT_EQ(settings.GetMaintenanceInterval(), 0);
  EXPECT_TRUE(settings.IsLogData());
  EXPECT_TRUE(settings.IsIPFilter());
  EXPECT_EQ(settings.GetIPFilterMode(), 0);
  EXPECT_FALSE(settings.IsDomainLogon());
  EXPECT_EQ(settings.GetDomain(), "");
  EXPECT_EQ(settings.GetLogLimits().mode, 0);
  EXPECT_EQ(settings.GetLogLimits().keepRecords, 1000);
  EXPECT_EQ(settings.GetLogLimits().keepDays, 30);
  EXPECT_EQ(settings.GetCodePage(), "WINDOWS-1252");
  EXPECT_EQ(settings.GetDirectoryTls(), DirectoryTls::kNone);
  EXPECT_EQ(settings.GetMaxConnectionsPerAddress(), 256);
  EXPECT_EQ(settings.GetLoginFailures(), 10);
  EXPECT_EQ(settings.GetLoginWindowSeconds(), 60);
  EXPECT_EQ(settings.GetLoginCooldownSeconds(), 300);
  EXPECT_EQ(Read("[SYSTEM]\nCODEPAGE=\n").GetCodePage(), "WINDOWS-1252");
}

struct RangeCase {
  const char* section;
  const char* key;
  const char* value;
  std::int32_t expected;

  friend void PrintTo(const RangeCase& c, std::ostream* out) {
    *out << c.section << "/" << c.key << "=" << c.value;
  }
};

std::int32_t ValueOf(const Settings& settings, const std::string& key) {
  if (key == "PORT") return settings.GetPort();
  if (key == "FILTERSTYLE") return settings.GetIPFilterMode();
  if (key == "FILTER") return settings.IsIPFilter();
  if (key == "LIMITSTYLE") return settings.GetLogLimits().mode;
  if (key == "Limit") return settings.GetLogLimits().keepRecords;
  if (key == "LimitDays") return settings.GetLogLimits().keepDays;
  if (key == "AtuoCompressDatabase") return settings.IsAutoMaintenance();
  if (key == "AtuoCompressDatabase_Interval") return settings.GetMaintenanceInterval();
  if (key == "LOGDATA") return settings.IsLogData();
  if (key == "ENABLE") return settings.IsDomainLogon();
  if (key == "MAXCONNPERADDRESS") return settings.GetMaxConnectionsPerAddress();
  if (key == "LOGINCOOLDOWN") return settings.GetLoginCooldownSeconds();
  ADD_FAILURE() << "no getter for " << key;
  return -1;
}

class SettingsRangeTest : public SettingsTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(SettingsRangeTest, ValueIsBroughtIntoRange) {
  const RangeCase& c = GetParam();
  const Settings settings =
      Read(std::string("[") + c.section + "]\n" + c.key + "=" + c.value + "\n");
  EXPECT_EQ(ValueOf(settings, c.key), c.expected) << c.key << "=" << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    RangeRules, SettingsRangeTest,
    ::testing::Values(
        RangeCase{"IPSETTING", "PORT", "65535", 65535},
        RangeCase{"IPSETTING", "PORT", "65536", 65535}, RangeCase{"IPSETTING", "PORT", "-1", 65535},
        RangeCase{"IPSETTING", "PORT", "99999999999", 65535},
        RangeCase{"IPSETTING", "PORT", "12abc", 12}, RangeCase{"IPSETTING", "PORT", "abc", 10240},
        RangeCase{"IPSETTING", "FILTERSTYLE", "5", 1},
        RangeCase{"IPSETTING", "FILTERSTYLE", "-3", 0}, RangeCase{"IPSETTING", "FILTER", "7", 1},
        RangeCase{"IPSETTING", "FILTER", "0", 0}, RangeCase{"LOG", "LIMITSTYLE", "7", 1},
        RangeCase{"LOG", "LIMITSTYLE", "-7", 0}, RangeCase{"LOG", "Limit", "-5", 0},
        RangeCase{"LOG", "Limit", "0", 0}, RangeCase{"LOG", "LimitDays", "-1", 0},
        RangeCase{"DATABASE", "AtuoCompressDatabase", "0", 0},
        RangeCase{"DATABASE", "AtuoCompressDatabase", "2", 1},
        RangeCase{"DATABASE", "AtuoCompressDatabase_Interval", "20", 11},
        RangeCase{"DATABASE", "AtuoCompressDatabase_Interval", "-1", 0},
        RangeCase{"SYSTEM", "LOGDATA", "0", 0}, RangeCase{"ADSERVER", "ENABLE", "3", 1},
        RangeCase{"SECURITY", "MAXCONNPERADDRESS", "-1", 0},
        RangeCase{"SECURITY", "LOGINCOOLDOWN", "-9", 0}));

TEST_F(SettingsTest, NamesIgnoreCaseAndTextsAreCut) {
  const std::string longDomain(300, 'd');
  const Settings settings =
      Read("[ipsetting]\nport=8000\nip=10.1.2.3\n[adserver]\ndomain=" + longDomain + "\n");
  EXPECT_EQ(settings.GetPort(), 8000);
  EXPECT_EQ(settings.GetListenAddress(), "10.1.2.3");
  EXPECT_EQ(settings.GetDomain(), std::string(255, 'd'));
}

// Values the server would quietly act on in a way nobody asked for are said in the operator's
// log: a port that is no number, and a NUL byte that would end the reading of the file.
TEST_F(SettingsTest, BadValuesAndDamagedFilesAreReportedNotSilentlyDefaulted) {
  std::ostringstream log;
  {
    const OperatorLogCapture capture(log);
    EXPECT_EQ(Read("[IPSETTING]\nPORT=abc\n").GetPort(), 10240);
  }
  EXPECT_TRUE(testing::IsTheOnlyWarningLine(log.str(), "settings.port-invalid")) << log.str();
  EXPECT_NE(log.str().find("PORT=abc"), std::string::npos);

  log.str("");
  {
    const OperatorLogCapture capture(log);
    EXPECT_EQ(Read("[IPSETTING]\nPORT=0\nIP=1.2.3.4\n").GetPort(), 0);
  }
  EXPECT_EQ(log.str(), "") << "port 0, for any free port, is a port";

  log.str("");
  {
    const OperatorLogCapture capture(log);
    using namespace std::string_literals;
    const Settings settings =
        Read("[IPSETTING]\nIP=1.2.3.4\0junk\nPORT=9000\n[LOG]\nLimit=5\0\0\nLimitDays=9\n"s);
    EXPECT_EQ(settings.GetListenAddress(), "1.2.3.4junk");
    EXPECT_EQ(settings.GetPort(), 9000);
    EXPECT_EQ(settings.GetLogLimits().keepRecords, 5);
    EXPECT_EQ(settings.GetLogLimits().keepDays, 9);
  }
  EXPECT_TRUE(testing::IsTheOnlyWarningLine(log.str(), "settings.file-damaged")) << log.str();
  EXPECT_NE(log.str().find("line 2, 5 "), std::string::npos) << log.str();
}

// The clear bind stays where a file predates the key; a file the program writes asks for TLS.
TEST_F(SettingsTest, DirectoryTlsIsOnInNewFilesAndKeptOffInOldOnes) {
  ASSERT_TRUE(WriteDefaultProgramFiles(folder_.Path()));
  const Settings written(ini_);
  EXPECT_EQ(written.GetDirectoryTls(), DirectoryTls::kStartTls);
  EXPECT_EQ(written.GetDirectoryCaFile(), "");
  EXPECT_EQ(Read("[ADSERVER]\nENABLE=1\nDOMAIN=corp.example\n").GetDirectoryTls(),
            DirectoryTls::kNone);

  const Settings chosen = Read("[ADSERVER]\nTLS=None\nCACERT=/etc/orlentis/ca.pem\n");
  EXPECT_EQ(chosen.GetDirectoryTls(), DirectoryTls::kNone);
  EXPECT_EQ(chosen.GetDirectoryCaFile(), "/etc/orlentis/ca.pem");

  std::ostringstream log;
  {
    const OperatorLogCapture capture(log);
    EXPECT_EQ(Read("[ADSERVER]\nTLS=yes\n").GetDirectoryTls(), DirectoryTls::kStartTls);
  }
  EXPECT_TRUE(testing::IsTheOnlyWarningLine(log.str(), "settings.tls-invalid")) << log.str();
  EXPECT_NE(log.str().find("TLS=yes"), std::string::npos) << log.str();
}

TEST_F(SettingsTest, TheMisspelledMaintenanceKeyIsTheOneRead) {
  const Settings settings = Read("[DATABASE]\nAutoCompressDatabase=0\n");
  EXPECT_TRUE(settings.IsAutoMaintenance());
}

TEST_F(SettingsTest, SaveWritesBothBlocksInOrderAndFormat) {
  Settings settings(ini_);
  PreferenceBlock block;
  block.port = 9000;
  block.autoMaintenance = 0;
  block.logData = 1;
  block.ipFilter = 0;
  block.listenAddress = "192.168.0.2";
  block.maintenanceInterval = 4;
  block.ipFilterMode = 1;
  block.domainLogon = 1;
  block.domain = "corp.example";
  settings.SetPreferences(block);
  settings.SetLogLimits(LogLimits{500, 7, 1});
  ASSERT_TRUE(settings.Save());

  EXPECT_EQ(ReadWholeFile(ini_),
            "[IPSETTING]\nIP=192.168.0.2\nPORT=9000\nFILTER=0\nFILTERSTYLE=1\n\n"
            "[DATABASE]\nAtuoCompressDatabase=0\nAtuoCompressDatabase_Interval=4\n\n"
            "[SYSTEM]\nLOGDATA=1\n\n"
            "[ADSERVER]\nENABLE=1\nDOMAIN=corp.example\n\n"
            "[LOG]\nLIMITSTYLE=1\nLimit=500\nLimitDays=7\n");
  struct stat info {};
  ASSERT_EQ(::stat(ini_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  const Settings reread(ini_);
  EXPECT_EQ(reread.GetPreferences(), block);
  EXPECT_EQ(reread.GetLogLimits(), (LogLimits{500, 7, 1}));
}

TEST_F(SettingsTest, SaveKeepsKeysTheConsoleDoesNotOwn) {
  Settings settings = Read(
      "[LANGUAGETYPE]\nTYPE=TYPE1\n[LANGUAGE]\nTYPE1=Other.lng\n[SYSTEM]\nCODEPAGE=CP437\n"
      "[ADSERVER]\nURI=ldap://127.0.0.1:3890\n");
  ASSERT_TRUE(settings.Save());
  const std::string content = ReadWholeFile(ini_);
  EXPECT_NE(content.find("TYPE1=Other.lng"), std::string::npos);
  EXPECT_NE(content.find("CODEPAGE=CP437"), std::string::npos);
  EXPECT_NE(content.find("URI=ldap://127.0.0.1:3890"), std::string::npos);
  EXPECT_EQ(Settings(ini_).GetCodePage(), "CP437");
}

TEST_F(SettingsTest, ValuesSetInMemoryAreNormalised) {
  Settings settings(ini_);
  PreferenceBlock block;
  block.port = 70000;
  block.maintenanceInterval = 30;
  block.ipFilterMode = 9;
  block.listenAddress = std::string(400, '1');
  settings.SetPreferences(block);
  settings.SetLogLimits(LogLimits{-1, -2, 5});
  EXPECT_EQ(settings.GetPort(), 65535);
  EXPECT_EQ(settings.GetMaintenanceInterval(), 11);
  EXPECT_EQ(settings.GetIPFilterMode(), 1);
  EXPECT_EQ(settings.GetListenAddress().size(), 255u);
  EXPECT_EQ(settings.GetLogLimits(), (LogLimits{0, 0, 1}));
}

}  // namespace
}  // namespace orlentis
