#include <array>

#include "access/password_digest.h"
#include "access/roles.h"
#include "base/settings.h"
#include "directory/account_lookup.h"
#include "net/recorder_connection.h"
#include "net/recorder_services.h"

namespace orlentis {
namespace {

// The password form a host is told to use: its digest while the domain logon is off, the
// plain text (which the directory needs) while it is on.
std::int32_t PasswordForm(bool domainLogon) {
  return domainLogon ? 0 : 1;
}

std::vector<GroupSummary> GroupsByLevel() {
  return ListGroupsByLevel().ValueOr({});
}

}  // namespace

asio::awaitable<void> RecorderServices::UserLogin(RecorderConnection& connection,
                                                  const UserRequest& request) {
  const std::string name = text_->ToUtf8(request.name);
  const std::string digest = PasswordDigest(request.password, false);
  const std::optional<std::int32_t> groupId = LookUpUserGroupId(name, digest);
  co_await connection.Send(groupId ? EncodeStatus(RSP_OK, *groupId) : EncodeStatus(RSP_FAIL, 0));
}

asio::awaitable<void> RecorderServices::AccountLogin(RecorderConnection& connection,
                                                     const UserRequest& request) {
  const std::string name = text_->ToUtf8(request.name);
  // Digests are taken over the code page's bytes as they came; the directory server gets
  // the password in UTF-8.
  const std::string digest = PasswordDigest(request.password, false);
  const std::string password = text_->ToUtf8(request.password);
  const AccountLoginFacts facts = LookUpAccountLogin(name, digest, connection.PeerAddress());
  bool succeeded = facts.userFound && facts.groupFound;
  if (succeeded) succeeded = co_await PassesDomainLogon(name, password);

  UserReply reply;
  reply.word = succeeded ? RSP_OK : RSP_FAIL;
  reply.level = facts.level;
  reply.groupName = text_->FromUtf8(facts.groupName);
  reply.cameraMask = facts.cameraMask;
  reply.authority = facts.authority;
  co_await connection.Send(EncodeUserReply(reply));
}

asio::awaitable<void> RecorderServices::HostUserLogin(RecorderConnection& connection) {
  const std::int32_t form = PasswordForm(settings_.IsDomainLogon());
  co_await connection.Send(EncodeHostFrame({1, 1, form}));
  std::array<std::uint8_t, host_credentials_layout::kSize> block{};
  if (!co_await connection.ReceiveExactly(block)) co_return;

  const HostCredentials credentials = DecodeHostCredentials(block);
  const std::string name = text_->ToUtf8(credentials.userName);
  const std::string password = text_->ToUtf8(credentials.PasswordText());
  // The administrator's password always comes as a digest.
  const bool digestForm = form == 1 || IsAdministratorName(name);
  const std::string digest =
      digestForm ? PasswordDigest(
                       std::string_view(reinterpret_cast<const char*>(credentials.password.data()),
                                        credentials.password.size()),
                       true)
                 : PasswordDigest(credentials.PasswordText(), false);
  const HostLoginFacts facts = LookUpHostLogin(name, digest, connection.PeerAddress());
  bool succeeded = facts.succeeded;
  if (succeeded) succeeded = co_await PassesDomainLogon(name, password);

  co_await connection.Send(EncodeHostFrame({succeeded ? 1 : 0, 1, form}));
  if (!succeeded) co_return;
  // Records are built before each co_await: GCC 12 destroys a temporary with a destructor
  // that lives across a suspension twice.
  const auto userInfo = EncodeHostUserInfo(
      {text_->FromUtf8(facts.userName), text_->FromUtf8(facts.groupName), facts.authority});
  co_await connection.Send(userInfo);
  for (const auto& permitted : facts.instances) {
    co_await connection.Send(EncodeHostSiteEntry(permitted.instance, permitted.cameraAuthority));
  }
  co_await connection.Send(EncodeHostSiteEntry(-1, {}));
}

asio::awaitable<void> RecorderServices::GroupCount(RecorderConnection& connection) {
  const auto groups = ListGroupsByLevel();
  co_await connection.Send(
      groups.Done() ? EncodeStatus(RSP_OK, static_cast<std::int32_t>(groups.value->size()))
                    : EncodeStatus(RSP_FAIL, 0));
}

asio::awaitable<void> RecorderServices::GroupList(RecorderConnection& connection) {
  for (const GroupSummary& group : GroupsByLevel()) {
    if (!connection.Alive()) break;  // an acknowledgement did not come: the rest would be lost
    const auto record =
        EncodeGroupRecord({text_->FromUtf8(group.name), group.level, group.authority});
    co_await connection.Send(record);
    co_await connection.ReceiveAndDiscard();
  }
}

asio::awaitable<void> RecorderServices::HostGroupList(RecorderConnection& connection) {
  const std::vector<GroupSummary> groups = GroupsByLevel();
  if (groups.empty()) {
    co_await connection.Send(EncodeHostFrame({0, 0, 0}));
    co_return;
  }
  co_await connection.Send(EncodeHostFrame({1, 0, 0}));
  for (const GroupSummary& group : groups) {
    const auto entry =
        EncodeHostGroupEntry(group.level, text_->FromUtf8(group.name), group.authority);
    co_await connection.Send(entry);
  }
  // The end marker repeats the last group; receivers read only its level.
  const GroupSummary& last = groups.back();
  const auto endMarker = EncodeHostGroupEntry(-1, text_->FromUtf8(last.name), last.authority);
  co_await connection.Send(endMarker);
}

}  // namespace orlentis
