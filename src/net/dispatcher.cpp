#include "net/dispatcher.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>

#include "base/server_metrics.h"
#include "net/protocol_requests.h"
#include "net/recorder_connection.h"
#include "net/request_handlers.h"
#include "net/wire_records.h"

namespace orlentis {
namespace {

// Sizes a request of a kind may have: a fixed size, any record size, or none at all for the
// status words, which only the server sends.
enum class SizeRule { kExact, kAny, kNever };

// The kind of exchange a served block is counted as; the status words, never served, have
// none of their own, and a host frame's comes from its operation.
struct KindRule {
  std::uint32_t kind;
  SizeRule sizeRule;
  std::size_t size;
  bool needsRegistration;
  ExchangeKind counted;
};

constexpr KindRule kKindRules[] = {
    {CMD_KEEPALIVE_ECHO, SizeRule::kAny, 0, false, ExchangeKind::kKeepAlive},
    {CMD_KEEPALIVE, SizeRule::kExact, status_layout::kSize, true, ExchangeKind::kKeepAlive},
    {RSP_FAIL, SizeRule::kNever, 0, false, ExchangeKind::kKeepAlive},
    {RSP_OK, SizeRule::kNever, 0, false, ExchangeKind::kKeepAlive},
    {CMD_CAMERA_INFO, SizeRule::kExact, camera_layout::kSize, true, ExchangeKind::kCameraInfo},
    {CMD_CAMERA_RESET, SizeRule::kExact, camera_layout::kSize, true, ExchangeKind::kCameraReset},
    {CMD_USER_LOGIN, SizeRule::kExact, user_layout::kSize, true, ExchangeKind::kUserLogin},
    {CMD_USER_LOGOUT, SizeRule::kExact, user_layout::kSize, true, ExchangeKind::kUserLogout},
    {CMD_USER_STATUS, SizeRule::kExact, user_layout::kSize, true, ExchangeKind::kUserStatus},
    {CMD_SITE_CHECKIN, SizeRule::kExact, site_layout::kSize, false, ExchangeKind::kSiteCheckIn},
    {CMD_SITE_CHECKOUT, SizeRule::kAny, 0, false, ExchangeKind::kSiteCheckOut},
    {CMD_SITE_UPDATE, SizeRule::kExact, site_layout::kSize, false, ExchangeKind::kSiteCheckIn},
    {CMD_ACCOUNT_LOGIN, SizeRule::kExact, user_layout::kSize, true, ExchangeKind::kAccountLogin},
    {CMD_GROUP_COUNT, SizeRule::kExact, group_layout::kSize, true, ExchangeKind::kGroupCount},
    {CMD_USER_LIST, SizeRule::kExact, user_layout::kSize, true, ExchangeKind::kUserList},
    {CMD_GROUP_LIST, SizeRule::kExact, group_layout::kSize, true, ExchangeKind::kGroupList},
    {CMD_HOST, SizeRule::kExact, host_frame_layout::kSize, false, ExchangeKind::kHostUserLogin},
};

std::optional<KindRule> FindKindRule(std::uint32_t kind) {
  const auto* rule = std::find_if(std::begin(kKindRules), std::end(kKindRules),
                                  [kind](const KindRule& r) { return r.kind == kind; });
  if (rule == std::end(kKindRules)) return std::nullopt;
  return *rule;
}

bool SizeMatches(const KindRule& rule, std::size_t size) {
  switch (rule.sizeRule) {
    case SizeRule::kExact:
      return size == rule.size;
    case SizeRule::kAny:
      return true;  // the record limits are checked before
    case SizeRule::kNever:
      return false;
  }
  return false;
}

BlockVerdict JudgeHostFrame(ConstByteSpan block) {
  const HostFrame frame = DecodeHostFrame(block);
  if (frame.word < HOST_INSTANCE_CHECKIN || frame.word > HOST_CAMERA_UPDATE) {
    return BlockVerdict::kAnswerUnknownOperationAndFail;
  }
  return frame.flag == RequiredHostFlag(frame.word) ? BlockVerdict::kServe : BlockVerdict::kFail;
}

asio::awaitable<void> ServeHostFrame(RecorderConnection& connection, RequestHandlers& handlers,
                                     const HostFrame& frame) {
  switch (frame.word) {
    case HOST_INSTANCE_CHECKIN:
      co_await handlers.HostInstanceCheckIn(connection, frame.value);
      break;
    case HOST_INSTANCE_CHECKOUT:
      co_await handlers.HostInstanceCheckOut(connection, frame.value);
      break;
    case HOST_USER_LOGIN:
      co_await handlers.HostUserLogin(connection);
      break;
    case HOST_GROUP_LIST:
      co_await handlers.HostGroupList(connection);
      break;
    case HOST_CAMERA_UPDATE:
      co_await handlers.HostCameraUpdate(connection, frame.value);
      break;
  }
}

asio::awaitable<void> ServeSiteCheckOut(RecorderConnection& connection, RequestHandlers& handlers) {
  // An account check leaves without any database work.
  if (connection.Kind() != ConnectionKind::kAccountCheck) {
    co_await handlers.SiteCheckOut(connection);
  }
  connection.CheckOut();
}

ExchangeKind HostExchangeKind(std::int32_t operation) {
  switch (operation) {
    case HOST_INSTANCE_CHECKIN:
      return ExchangeKind::kHostInstanceCheckIn;
    case HOST_INSTANCE_CHECKOUT:
      return ExchangeKind::kHostInstanceCheckOut;
    case HOST_USER_LOGIN:
      return ExchangeKind::kHostUserLogin;
    case HOST_GROUP_LIST:
      return ExchangeKind::kHostGroupList;
    default:
      return ExchangeKind::kHostCameraUpdate;
  }
}

// The kind a block the dispatcher serves is counted as.
ExchangeKind KindOfServedBlock(ConstByteSpan block) {
  const std::uint32_t kind = LoadU32(block, 0);
  if (kind == CMD_HOST) return HostExchangeKind(DecodeHostFrame(block).word);
  const auto rule = FindKindRule(kind);
  return rule ? rule->counted : ExchangeKind::kKeepAlive;
}

asio::awaitable<void> ServeBlock(RecorderConnection& connection, RequestHandlers& handlers,
                                 ConstByteSpan block) {
  switch (LoadU32(block, 0)) {
    case CMD_KEEPALIVE:
      co_await EchoKeepAlive(connection, block);
      break;
    case CMD_SITE_CHECKIN:
    case CMD_SITE_UPDATE:
      co_await ServeSiteCheckIn(connection, handlers, SiteRecord(block));
      break;
    case CMD_SITE_CHECKOUT:
      co_await ServeSiteCheckOut(connection, handlers);
      break;
    case CMD_CAMERA_INFO:
      co_await handlers.CameraInfo(connection, DecodeCameraRecord(block));
      break;
    case CMD_CAMERA_RESET:
      connection.StartCameraSet();
      co_await connection.Send(EncodeStatus(RSP_OK, 0));
      break;
    case CMD_USER_LOGIN:
      co_await handlers.UserLogin(connection, DecodeUserRequest(block));
      connection.EndAccountCheck(false);
      break;
    case CMD_USER_LOGOUT:
      co_await connection.Send(EncodeStatus(RSP_OK, 0));
      break;
    case CMD_USER_STATUS:
      co_await connection.Send(EncodeStatus(RSP_OK, 1));
      break;
    case CMD_ACCOUNT_LOGIN:
      co_await handlers.AccountLogin(connection, DecodeUserRequest(block));
      connection.EndAccountCheck(true);
      break;
    case CMD_GROUP_COUNT:
      co_await handlers.GroupCount(connection);
      break;
    case CMD_USER_LIST:
      co_await SendUserListPlaceholder(connection);
      break;
    case CMD_GROUP_LIST:
      co_await handlers.GroupList(connection);
      break;
    case CMD_HOST:
      co_await ServeHostFrame(connection, handlers, DecodeHostFrame(block));
      break;
    default:  // CMD_KEEPALIVE_ECHO: nothing to answer
      break;
  }
}

// Serves one block and counts it by its kind: how many, how many failed, how long it took.
asio::awaitable<void> ServeCounted(RecorderConnection& connection, RequestHandlers& handlers,
                                   ConstByteSpan block) {
  const ExchangeKind kind = KindOfServedBlock(block);
  const auto started = std::chrono::steady_clock::now();
  connection.EnterExchange();
  co_await ServeBlock(connection, handlers, block);
  connection.RenewIdleDeadline();
  ServerMetrics& metrics = Metrics();
  metrics.requests[kind].Add();
  if (connection.ExchangeFailed()) metrics.requestFailures[kind].Add();
  metrics.requestSeconds[kind].ObserveDuration(std::chrono::steady_clock::now() - started);
}

}  // namespace

BlockVerdict JudgeBlock(ConstByteSpan block, bool alive, bool registered) {
  if (!alive || block.size() < kMinRecordSize || block.size() > kMaxRecordSize) {
    return BlockVerdict::kFail;
  }
  const auto rule = FindKindRule(LoadU32(block, 0));
  if (!rule) return BlockVerdict::kFail;
  if (!SizeMatches(*rule, block.size())) return BlockVerdict::kDrop;
  if (rule->needsRegistration && !registered) return BlockVerdict::kDrop;
  if (rule->kind == CMD_HOST) return JudgeHostFrame(block);
  return BlockVerdict::kServe;
}

asio::awaitable<void> DispatchBlock(RecorderConnection& connection, RequestHandlers& handlers,
                                    ConstByteSpan block) {
  switch (JudgeBlock(block, connection.Alive(), connection.Registered())) {
    case BlockVerdict::kServe:
      co_await ServeCounted(connection, handlers, block);
      break;
    case BlockVerdict::kDrop:
      connection.RenewIdleDeadline();
      break;
    case BlockVerdict::kAnswerUnknownOperationAndFail:
      co_await connection.Send(EncodeHostFrame({-1, 0, 0}));
      connection.TakeFailurePath();
      break;
    case BlockVerdict::kFail:
      connection.TakeFailurePath();
      break;
  }
}

}  // namespace orlentis
