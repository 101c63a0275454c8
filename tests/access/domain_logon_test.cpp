#include "access/domain_logon.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "access/domain_logon_runner.h"
#include "base/operator_log.h"
#include "support/access/certificate_authority.h"
#include "support/access/silent_listener.h"
#include "support/access/slapd_server.h"
#include "support/base/operator_log_lines.h"

namespace orlentis {
namespace {

using namespace std::chrono_literals;
using testing::CertificateAuthority;
using testing::PersonEntry;
using testing::SilentListener;
using testing::SlapdServer;

const std::string kPeopleFormat = "uid=%s," + std::string(SlapdServer::kPeople);
// A name and a password beyond ASCII, in UTF-8 as the directory takes them.
constexpr const char* kUmlautName = "j\xC3\xBCrgen";
constexpr const char* kUmlautPassword = "gr\xC3\xBC\xC3\x9Fli";

// A directory address that drops every connection: at once, or right after answering the bind
// with "success", with a reset that makes the following unbind's write fail.
class HangingUpDirectory {
 public:
  enum class Manner { kWithoutAnswer, kAfterAnswering };

  explicit HangingUpDirectory(Manner manner)
      : thread_([this, manner] {
          while (true) {
            const int client = ::accept(listener_.Fd(), nullptr, nullptr);
            if (client < 0) return;
            if (manner == Manner::kAfterAnswering) AnswerSuccessAndReset(client);
            ::close(client);
          }
        }) {}
  ~HangingUpDirectory() {
    ::shutdown(listener_.Fd(), SHUT_RDWR);
    thread_.join();
  }

  std::string Uri() const { return listener_.Uri(); }

 private:
  static void AnswerSuccessAndReset(int client) {
    unsigned char request[512];
    const ssize_t length = ::read(client, request, sizeof request);
    // A BindResponse with resultCode success for the request's (short) message id.
    const unsigned char messageId = length > 4 ? request[4] : 1;
    const unsigned char response[] = {0x30, 0x0c, 0x02, 0x01, messageId, 0x61, 0x07,
                                      0x0a, 0x01, 0x00, 0x04, 0x00,      0x04, 0x00};
    (void)::write(client, response, sizeof response);
    ::shutdown(client, SHUT_WR);
    const linger reset{1, 0};
    ::setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  }

  SilentListener listener_;
  std::thread thread_;
};

std::string UnusedPortUri() {
  const SilentListener taken;
  return taken.Uri();  // free again once the listener is closed
}

DomainLogonSettings SettingsFor(std::string uri, std::string bindFormat = kPeopleFormat) {
  DomainLogonSettings settings;
  settings.uri = std::move(uri);
  settings.bindFormat = std::move(bindFormat);
  settings.timeout = 1000ms;
  return settings;
}

class DirectoryLogonTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string people(SlapdServer::kPeople);
    try {
      server_ = std::make_unique<SlapdServer>(
          PersonEntry("uid=alice," + people, "alice", "alice-secret") +
          PersonEntry("uid=smith\\2C j," + people, "smith, j", "smith-secret") +
          PersonEntry("uid=" + std::string(kUmlautName) + "," + people, kUmlautName,
                      kUmlautPassword) +
          "dn: ou=robots," + people + "\nobjectClass: organizationalUnit\nou: robots\n\n" +
          PersonEntry("uid=svc,ou=robots," + people, "svc", "svc-secret"));
    } catch (const std::exception& error) {
      startError_ = error.what();
    }
  }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    ASSERT_NE(server_, nullptr) << "the test directory server did not start: " << startError_;
  }

  static DomainLogonSettings Directory() { return SettingsFor(server_->Uri()); }

  static inline std::unique_ptr<SlapdServer> server_;
  static inline std::string startError_;
};

TEST_F(DirectoryLogonTest, AnswersWhatTheDirectorySays) {
  struct Case {
    const char* name;
    const char* password;
    LoginVerdict verdict;
  };
  const Case cases[] = {
      {"alice", "alice-secret", LoginVerdict::kAccepted},
      {"alice", "wrong", LoginVerdict::kRefused},
      {"alice", "alice-secret ", LoginVerdict::kRefused},
      {"nobody", "alice-secret", LoginVerdict::kRefused},
      {"alice", "", LoginVerdict::kRefused},
      {"smith, j", "smith-secret", LoginVerdict::kAccepted},
      {kUmlautName, kUmlautPassword, LoginVerdict::kAccepted},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DomainLogon(Directory(), c.name, c.password), c.verdict)
        << c.name << " / " << c.password;
  }
}

// Unescaped, "svc,ou=robots" would bind as the service account below ou=people.
TEST_F(DirectoryLogonTest, NameCannotReachAnotherEntry) {
  const std::pair<const char*, const char*> attempts[] = {
      {"svc,ou=robots", "svc-secret"},    {"alice,ou=people", "alice-secret"},
      {"alice+cn=alice", "alice-secret"}, {"x,uid=alice", "alice-secret"},
      {"alice\n", "alice-secret"},
  };
  for (const auto& [name, password] : attempts) {
    EXPECT_NE(LoginVerdict::kAccepted, DomainLogon(Directory(), name, password)) << name;
  }
  EXPECT_EQ(LoginVerdict::kAccepted,
            DomainLogon(SettingsFor(server_->Uri(),
                                    "uid=%s,ou=robots," + std::string(SlapdServer::kPeople)),
                        "svc", "svc-secret"));
}

TEST_F(DirectoryLogonTest, DirectoryDefaultsToTheDomain) {
  DomainLogonSettings settings = SettingsFor("");
  settings.domain = "127.0.0.1:" + std::to_string(server_->Port());
  EXPECT_EQ(DirectoryUri(settings), server_->Uri());
  EXPECT_EQ(LoginVerdict::kAccepted, DomainLogon(settings, "alice", "alice-secret"));
}

TEST_F(DirectoryLogonTest, RunnerAnswersConcurrentLogons) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<bool>> verdicts(8);
  std::vector<std::thread::id> threads(verdicts.size());
  {
    DomainLogonRunner runner([] { return Directory(); });
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
      const bool right = i % 2 == 0;
      const std::string name = i % 4 < 2 ? "alice" : "smith, j";
      const std::string password = (i % 4 < 2 ? "alice-secret" : "smith-secret");
      runner.Submit(name, right ? password : password + "x", [&, i](LoginVerdict verdict) {
        std::lock_guard lock(mutex);
        verdicts[i] = verdict == LoginVerdict::kAccepted;
        threads[i] = std::this_thread::get_id();
        changed.notify_all();
      });
    }
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 60s, [&] {
      return std::ranges::all_of(verdicts, [](const auto& v) { return v.has_value(); });
    }));
  }
  for (std::size_t i = 0; i < verdicts.size(); ++i) {
    EXPECT_EQ(*verdicts[i], i % 2 == 0) << "logon " << i;
    EXPECT_NE(threads[i], std::this_thread::get_id()) << "logon " << i;
  }
}

// Wrong passwords are the users' business; a directory that cannot be asked is the operator's.
TEST_F(DirectoryLogonTest, OnlyFaultsOfTheDirectoryReachTheOperatorsLog) {
  std::ostringstream log;
  const OperatorLogCapture capture(log);
  EXPECT_EQ(LoginVerdict::kRefused, DomainLogon(Directory(), "alice", "wrong"));
  EXPECT_EQ(LoginVerdict::kRefused, DomainLogon(Directory(), "nobody", "alice-secret"));
  EXPECT_EQ(log.str(), "");

  const std::string unreachable = UnusedPortUri();
  EXPECT_EQ(LoginVerdict::kUnanswered,
            DomainLogon(SettingsFor(unreachable), "alice", "alice-secret"));
  const std::string line = log.str();
  EXPECT_NE(line.find(" error [access.domain-logon-failed] domain logon at " + unreachable),
            std::string::npos)
      << line;
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
}

// A directory without TLS refuses StartTLS; the password is then not sent in the clear instead.
TEST_F(DirectoryLogonTest, StartTlsRefusedMeansNoClearBind) {
  std::ostringstream log;
  const OperatorLogCapture capture(log);
  DomainLogonSettings settings = Directory();
  settings.tls = DirectoryTls::kStartTls;
  EXPECT_NE(LoginVerdict::kAccepted, DomainLogon(settings, "alice", "alice-secret"));
  EXPECT_NE(log.str().find(" error [access.domain-tls-failed] domain logon at " + server_->Uri() +
                           " refused without sending the password: StartTLS failed: "),
            std::string::npos)
      << log.str();
}

TEST(DomainLogonTest, EmptyPasswordNeverReachesTheDirectory) {
  SilentListener directory;
  EXPECT_EQ(LoginVerdict::kRefused, DomainLogon(SettingsFor(directory.Uri()), "alice", ""));
  EXPECT_FALSE(directory.SomeoneConnected());
}

TEST(DomainLogonTest, AnUnreachableOrMuteDirectoryAnswersNothing) {
  EXPECT_EQ(LoginVerdict::kUnanswered,
            DomainLogon(SettingsFor(UnusedPortUri()), "alice", "alice-secret"));
  EXPECT_EQ(LoginVerdict::kUnanswered,
            DomainLogon(SettingsFor(""), "alice", "alice-secret"));  // no URI nor domain
  {
    const HangingUpDirectory directory(HangingUpDirectory::Manner::kWithoutAnswer);
    EXPECT_EQ(LoginVerdict::kUnanswered,
              DomainLogon(SettingsFor(directory.Uri()), "alice", "alice-secret"));
  }
  SilentListener directory;
  EXPECT_EQ(LoginVerdict::kUnanswered,
            DomainLogon(SettingsFor(directory.Uri()), "alice", "alice-secret"));
  EXPECT_TRUE(directory.SomeoneConnected());
  DomainLogonSettings startTls = SettingsFor(directory.Uri());
  startTls.tls = DirectoryTls::kStartTls;
  EXPECT_EQ(LoginVerdict::kUnanswered, DomainLogon(startTls, "alice", "alice-secret"));
  // Accepted but never answered, the TLS handshake of ldaps:// is cut off at its deadline.
  SilentListener handshake;
  const std::string ldaps = "ldaps://" + handshake.Uri().substr(std::string("ldap://").size());
  EXPECT_EQ(LoginVerdict::kUnanswered, DomainLogon(SettingsFor(ldaps), "alice", "alice-secret"));
  EXPECT_TRUE(handshake.SomeoneConnected());
}

// The unbind then writes to a reset connection; that must not raise SIGPIPE and end the process.
TEST(DomainLogonTest, DirectoryDroppingTheConnectionLeavesTheProcessRunning) {
  const HangingUpDirectory directory(HangingUpDirectory::Manner::kAfterAnswering);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(LoginVerdict::kAccepted,
              DomainLogon(SettingsFor(directory.Uri()), "alice", "alice-secret"));
  }
}

// Shutdown waits for the bind under way to give up and answers the queued ones unasked.
TEST(DomainLogonTest, RunnerShutdownAnswersEveryLogon) {
  SilentListener directory;
  std::mutex mutex;
  std::vector<LoginVerdict> verdicts;
  const auto record = [&](LoginVerdict verdict) {
    std::lock_guard lock(mutex);
    verdicts.push_back(verdict);
  };
  DomainLogonRunner runner([&] { return SettingsFor(directory.Uri()); }, 1);
  for (int i = 0; i < 3; ++i) runner.Submit("alice", "alice-secret", record);
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  bool connected = false;
  while (!(connected = directory.SomeoneConnected()) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_TRUE(connected);
  runner.Shutdown();
  EXPECT_EQ(verdicts, std::vector<LoginVerdict>(3, LoginVerdict::kUnanswered));
  runner.Submit("alice", "alice-secret", record);
  EXPECT_EQ(verdicts, std::vector<LoginVerdict>(4, LoginVerdict::kUnanswered));
}

// Two directories of one CA that take binds over TLS only: one whose certificate names
// 127.0.0.1, and one whose certificate names only localhost while it is reached by address.
class EncryptedDirectoryLogonTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string people(SlapdServer::kPeople);
    const std::string entries = PersonEntry("uid=alice," + people, "alice", "alice-secret");
    try {
      ca_ = std::make_unique<CertificateAuthority>("Orlentis Test CA");
      // The same name with another key: only the key makes a CA trusted.
      otherCa_ = std::make_unique<CertificateAuthority>("Orlentis Test CA");
      server_ = std::make_unique<SlapdServer>(entries, ca_->Issue("127.0.0.1", "IP:127.0.0.1"));
      misnamed_ = std::make_unique<SlapdServer>(entries, ca_->Issue("localhost", "DNS:localhost"));
    } catch (const std::exception& error) {
      startError_ = error.what();
    }
  }
  static void TearDownTestSuite() {
    misnamed_.reset();
    server_.reset();
    otherCa_.reset();
    ca_.reset();
  }

  void SetUp() override {
    ASSERT_NE(misnamed_, nullptr) << "the TLS directory servers did not start: " << startError_;
  }

  static DomainLogonSettings Over(std::string uri, DirectoryTls tls,
                                  const CertificateAuthority& ca) {
    DomainLogonSettings settings = SettingsFor(std::move(uri));
    settings.tls = tls;
    settings.caFile = ca.Certificate().string();
    return settings;
  }

  static inline std::unique_ptr<CertificateAuthority> ca_;
  static inline std::unique_ptr<CertificateAuthority> otherCa_;
  static inline std::unique_ptr<SlapdServer> server_;
  static inline std::unique_ptr<SlapdServer> misnamed_;
  static inline std::string startError_;
};

TEST_F(EncryptedDirectoryLogonTest, TrustedDirectoryAnswersOverTls) {
  std::ostringstream log;
  const OperatorLogCapture capture(log);
  const auto startTls = Over(server_->Uri(), DirectoryTls::kStartTls, *ca_);
  EXPECT_EQ(LoginVerdict::kAccepted, DomainLogon(startTls, "alice", "alice-secret"));
  EXPECT_NE(LoginVerdict::kAccepted, DomainLogon(startTls, "alice", "wrong"));
  // ldaps:// is encrypted from the start, whatever TLS says; StartTLS on top would fail.
  EXPECT_EQ(
      LoginVerdict::kAccepted,
      DomainLogon(Over(server_->LdapsUri(), DirectoryTls::kNone, *ca_), "alice", "alice-secret"));
  EXPECT_EQ(LoginVerdict::kAccepted,
            DomainLogon(Over(server_->LdapsUri(), DirectoryTls::kStartTls, *ca_), "alice",
                        "alice-secret"));
  EXPECT_EQ(log.str(), "");

  // TLS=none binds in the clear, which this directory refuses.
  EXPECT_NE(LoginVerdict::kAccepted,
            DomainLogon(Over(server_->Uri(), DirectoryTls::kNone, *ca_), "alice", "alice-secret"));
  EXPECT_TRUE(testing::IsTheOnlyErrorLine(log.str(), "[access.domain-logon-failed]")) << log.str();
  EXPECT_NE(log.str().find("Confidentiality required"), std::string::npos) << log.str();
}

TEST_F(EncryptedDirectoryLogonTest, UntrustedOrMisnamedDirectoryNeverGetsThePassword) {
  struct Case {
    std::string what;
    DomainLogonSettings settings;
  };
  const Case cases[] = {
      {"StartTLS, another CA", Over(server_->Uri(), DirectoryTls::kStartTls, *otherCa_)},
      {"ldaps, another CA", Over(server_->LdapsUri(), DirectoryTls::kNone, *otherCa_)},
      {"StartTLS, another name", Over(misnamed_->Uri(), DirectoryTls::kStartTls, *ca_)},
      {"ldaps, another name", Over(misnamed_->LdapsUri(), DirectoryTls::kStartTls, *ca_)},
  };
  for (const Case& c : cases) {
    std::ostringstream log;
    const OperatorLogCapture capture(log);
    EXPECT_NE(LoginVerdict::kAccepted, DomainLogon(c.settings, "alice", "alice-secret")) << c.what;
    EXPECT_TRUE(testing::IsTheOnlyErrorLine(
        log.str(), "[access.domain-tls-failed] domain logon at " + c.settings.uri + " refused"))
        << c.what << ": " << log.str();
    EXPECT_NE(log.str().find("the CAs of " + c.settings.caFile), std::string::npos) << log.str();
  }

  std::ostringstream log;
  const OperatorLogCapture capture(log);
  DomainLogonSettings noCaFile = Over(server_->LdapsUri(), DirectoryTls::kNone, *ca_);
  noCaFile.caFile += ".missing";
  EXPECT_NE(LoginVerdict::kAccepted, DomainLogon(noCaFile, "alice", "alice-secret"));
  EXPECT_TRUE(testing::IsTheOnlyErrorLine(log.str(), "TLS cannot be set up")) << log.str();
  // A directory that cannot be reached is no TLS fault, ldaps:// or not; one line a second.
  log.str("");
  const std::string unreachable =
      "ldaps://" + UnusedPortUri().substr(std::string("ldap://").size());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(LoginVerdict::kUnanswered,
              DomainLogon(Over(unreachable, DirectoryTls::kNone, *ca_), "alice", "alice-secret"));
  }
  EXPECT_TRUE(testing::IsTheOnlyErrorLine(log.str(), "[access.domain-logon-failed]")) << log.str();
}

TEST(BindIdentityTest, AccountNameFormRefusesWhatCouldNameSomeoneElse) {
  DomainLogonSettings settings;
  settings.domain = "corp.example";
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"alice", "alice@corp.example"},
      {"Alice Smith", "Alice Smith@corp.example"},
      {"alice@other.example", std::nullopt},
      {"cn=admin,dc=corp", std::nullopt},
      {"a+b", std::nullopt},
      {"corp\\bob", std::nullopt},
      {"al\tice", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [name, identity] : cases) EXPECT_EQ(BindIdentity(settings, name), identity);
  settings.bindFormat = "CORP\\%s";
  EXPECT_EQ(BindIdentity(settings, "bob"), "CORP\\bob");
  EXPECT_EQ(BindIdentity(settings, "x\\bob"), std::nullopt);
}

TEST(BindIdentityTest, DnFormEscapesTheName) {
  DomainLogonSettings settings;
  settings.bindFormat = "uid=%s,dc=x";
  const std::pair<const char*, const char*> cases[] = {
      {"alice", "uid=alice,dc=x"},       {"a,b", "uid=a\\,b,dc=x"},
      {"a+b=c", "uid=a\\+b\\=c,dc=x"},   {"\"<;>\\", "uid=\\\"\\<\\;\\>\\\\,dc=x"},
      {" #a b ", "uid=\\ #a b\\ ,dc=x"}, {"#a", "uid=\\#a,dc=x"},
  };
  for (const auto& [name, identity] : cases) EXPECT_EQ(BindIdentity(settings, name), identity);
  EXPECT_EQ(BindIdentity(settings, "a\nb"), std::nullopt);
}

TEST(BindIdentityTest, UnusableFormatRefusesEveryName) {
  DomainLogonSettings settings;
  for (const char* format : {"uid=%s,cn=%s", "uid=%d,dc=x", "uid=alice,dc=x", "uid=%%s", "%"}) {
    settings.bindFormat = format;
    EXPECT_EQ(BindIdentity(settings, "alice"), std::nullopt) << format;
  }
  settings.bindFormat = "uid=%s,o=100%%";
  EXPECT_EQ(BindIdentity(settings, "alice"), "uid=alice,o=100%");
}

}  // namespace
}  // namespace orlentis
