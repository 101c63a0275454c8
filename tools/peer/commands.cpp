#include "commands.h"

#include <unistd.h>

#include <algorithm>
#include <asio/co_spawn.hpp>
#include <asio/io_context.hpp>
#include <functional>
#include <iostream>

#include "base/code_page_text.h"
#include "exchanges.h"
#include "idle_peers.h"
#include "load_run.h"
#include "recorder_fleet.h"
#include "seed.h"

namespace orlentis::peer {
namespace {

using ExchangeBody = std::function<asio::awaitable<void>(Peer&, const CommandLine&)>;

struct ExchangeCommand {
  const char* name;
  const char* usage;
  const char* summary;
  std::set<std::string> options;
  std::set<std::string> flags;
  ExchangeBody body;
};

constexpr char kDefaultSiteName[] = "Peer site";
constexpr char kDefaultHostName[] = "Peer host";

SiteSpec SiteFrom(const CommandLine& line) {
  return {line.Text("name", kDefaultSiteName), "",
          static_cast<std::int32_t>(line.Number("web-port", 80, 0, 65535))};
}

Credentials CredentialsFrom(const CommandLine& line) {
  return {line.Text("user", "Administrator"), line.Text("password", "")};
}

std::int32_t CameraCount(const CommandLine& line, std::int64_t fallback) {
  return static_cast<std::int32_t>(line.Number("cameras", fallback, 0, 1000));
}

std::int32_t Instance(const CommandLine& line) {
  return static_cast<std::int32_t>(line.Number("instance", 0, 0, INT32_MAX));
}

// The requests that need a registered connection: a site check-in under --name, otherwise an
// account check, which registers without touching the database.
asio::awaitable<void> Register(Peer& peer, const CommandLine& line) {
  if (line.Has("name")) {
    const SiteSpec site = SiteFrom(line);
    co_await CheckInSite(peer, CMD_SITE_CHECKIN, site);
  } else {
    co_await OpenAccountCheck(peer);
  }
}

const std::vector<ExchangeCommand>& ExchangeCommands() {
  static const std::vector<ExchangeCommand> commands = {
      {"host-check",
       "",
       "Asks whether the server is there (the readiness check).",
       {},
       {},
       [](Peer& peer, const CommandLine&) -> asio::awaitable<void> { co_await CheckHost(peer); }},
      {"account-check",
       "--user U --password P [--user-login]",
       "Checks credentials without becoming a site: the account check, then an account login\n"
       "(or with --user-login a plain user login); the server then ends the connection.",
       {"user", "password"},
       {"user-login"},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         const Credentials credentials = CredentialsFrom(line);
         co_await OpenAccountCheck(peer);
         if (line.Flag("user-login")) {
           co_await UserLogin(peer, credentials);
         } else {
           co_await AccountLogin(peer, credentials);
         }
       }},
      {"site-checkin",
       "[--name N] [--web-port P] [--cameras C] [--update]",
       "Checks in as a site (--update: then repeats it as a site update) and sends C cameras\n"
       "(default 4), each answered.",
       {"name", "web-port", "cameras"},
       {"update"},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         const SiteSpec site = SiteFrom(line);
         co_await CheckInSite(peer, CMD_SITE_CHECKIN, site);
         if (line.Flag("update")) co_await CheckInSite(peer, CMD_SITE_UPDATE, site);
         co_await SendCameras(peer, CameraCount(line, 4));
       }},
      {"camera-info",
       "[--name N] [--index I] [--camera-name T] [--width W] [--height H] [--state-a A] "
       "[--state-b B]",
       "Checks in as a site and sends one camera record.",
       {"name", "web-port", "index", "camera-name", "width", "height", "state-a", "state-b"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         const SiteSpec site = SiteFrom(line);
         co_await CheckInSite(peer, CMD_SITE_CHECKIN, site);
         CameraRecord camera =
             SimulatedCamera(static_cast<std::int32_t>(line.Number("index", 0, 0, INT32_MAX)));
         camera.name = line.Text("camera-name", camera.name);
         camera.width = static_cast<std::int32_t>(line.Number("width", 704, 0, INT32_MAX));
         camera.height = static_cast<std::int32_t>(line.Number("height", 480, 0, INT32_MAX));
         camera.stateA = static_cast<std::int32_t>(line.Number("state-a", 1, INT32_MIN, INT32_MAX));
         camera.stateB = static_cast<std::int32_t>(line.Number("state-b", 0, INT32_MIN, INT32_MAX));
         co_await SendCamera(peer, camera);
       }},
      {"camera-reset",
       "[--name N] [--cameras C]",
       "Checks in as a site, sends a camera reset and then C cameras (default 1): the cameras\n"
       "not sent again are left as not existing.",
       {"name", "web-port", "cameras"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         const SiteSpec site = SiteFrom(line);
         co_await CheckInSite(peer, CMD_SITE_CHECKIN, site);
         co_await ResetCameras(peer);
         co_await SendCameras(peer, CameraCount(line, 1));
       }},
      {"site-checkout",
       "[--name N]",
       "Checks in as a site and checks out again (the check-out is not answered).",
       {"name", "web-port"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         const SiteSpec site = SiteFrom(line);
         co_await CheckInSite(peer, CMD_SITE_CHECKIN, site);
         co_await CheckOutSite(peer);
       }},
      {"keepalive",
       "[--name N] [--count K]",
       "Registers (a site check-in under --name, else an account check) and sends K\n"
       "keep-alives (default 1); each echo must match what was sent.",
       {"name", "web-port", "count"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         co_await Register(peer, line);
         const auto count = line.Number("count", 1, 1, 1000000);
         for (std::int64_t i = 1; i <= count; ++i) {
           co_await KeepAlive(peer, static_cast<std::int32_t>(i));
         }
       }},
      {"account-login",
       "[--name N] --user U --password P",
       "Registers (as keepalive does) and sends an account login: level, group, camera mask\n"
       "and authority come back.",
       {"name", "web-port", "user", "password"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         const Credentials credentials = CredentialsFrom(line);
         co_await Register(peer, line);
         co_await AccountLogin(peer, credentials);
       }},
      {"user-login",
       "[--name N] --user U --password P",
       "Registers (as keepalive does) and sends a user login: the group id comes back.",
       {"name", "web-port", "user", "password"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         const Credentials credentials = CredentialsFrom(line);
         co_await Register(peer, line);
         co_await UserLogin(peer, credentials);
       }},
      {"instance-checkin",
       "[--instance I] [--name N] [--web-port P] [--cameras C]",
       "Checks in host instance I (default 0) with C cameras (default 4).",
       {"instance", "name", "web-port", "cameras"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         std::vector<HostCamera> cameras;
         for (std::int32_t i = 0; i < CameraCount(line, 4); ++i) {
           cameras.push_back(SimulatedHostCamera(i));
         }
         const InstanceHeader header{
             line.Text("name", kDefaultHostName),
             static_cast<std::int32_t>(line.Number("web-port", 80, 0, 65535)), 0};
         co_await CheckInInstance(peer, Instance(line), header, cameras);
       }},
      {"camera-update",
       "[--instance I] [--index X] [--camera-name T] [--resolution R] [--existence E] "
       "[--state S]",
       "Updates camera X of host instance I; the camera must have been checked in.",
       {"instance", "index", "camera-name", "resolution", "existence", "state"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         HostCamera camera =
             SimulatedHostCamera(static_cast<std::int32_t>(line.Number("index", 0, 0, INT32_MAX)));
         camera.name = line.Text("camera-name", camera.name);
         camera.resolution = line.Text("resolution", camera.resolution);
         camera.existence = static_cast<std::int32_t>(line.Number("existence", 1, 0, 1));
         camera.stateFlag =
             static_cast<std::int32_t>(line.Number("state", 1, INT32_MIN, INT32_MAX));
         co_await UpdateHostCamera(peer, Instance(line), camera);
       }},
      {"instance-checkout",
       "[--instance I]",
       "Checks out host instance I (default 0).",
       {"instance"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         co_await CheckOutInstance(peer, Instance(line));
       }},
      {"host-login",
       "--user U --password P",
       "Logs a user in as a host: the password goes as its SHA-256 digest or as plain text,\n"
       "as the server announces; the user, group, authority and permitted instances come back.",
       {"user", "password"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         const Credentials credentials = CredentialsFrom(line);
         co_await HostLogin(peer, credentials);
       }},
      {"group-count",
       "[--name N]",
       "Registers (as keepalive does) and asks for the group count.",
       {"name", "web-port"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         co_await Register(peer, line);
         co_await GroupCount(peer);
       }},
      {"group-list",
       "[--name N]",
       "Registers (as keepalive does), asks for the group count, then for the group list\n"
       "(which has no end marker), acknowledging each group.",
       {"name", "web-port"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         co_await Register(peer, line);
         const std::int32_t count = co_await GroupCount(peer);
         co_await GroupList(peer, count);
       }},
      {"host-group-list",
       "",
       "Asks for the group list as a host.",
       {},
       {},
       [](Peer& peer, const CommandLine&) -> asio::awaitable<void> {
         co_await HostGroupList(peer);
       }},
      {"user-list",
       "[--name N]",
       "Registers (as keepalive does) and asks for the user list (always a placeholder).",
       {"name", "web-port"},
       {},
       [](Peer& peer, const CommandLine& line) -> asio::awaitable<void> {
         co_await Register(peer, line);
         co_await UserList(peer);
       }},
  };
  return commands;
}

const ExchangeCommand* FindExchangeCommand(const std::string& name) {
  for (const auto& command : ExchangeCommands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

std::set<std::string> WithConnectionOptions(std::set<std::string> options) {
  options.insert(kConnectionOptions.begin(), kConnectionOptions.end());
  return options;
}

// Runs body on one fresh connection to the end of its exchange.
void RunOnOneConnection(const ConnectionSettings& settings, Transcript& transcript,
                        const std::function<asio::awaitable<void>(Peer&)>& body) {
  const auto server = ResolveServer(settings.host, settings.port);
  const CodePageText text(settings.codePage);
  asio::io_context io;
  PeerLink link(io.get_executor(), settings.timeout);
  Peer peer{link, text, &transcript};
  std::exception_ptr failure;
  const auto exchange = [&]() -> asio::awaitable<void> {
    co_await link.Connect(server);
    co_await body(peer);
    link.ExpectNothingMore("the last reply");
  };
  asio::co_spawn(io, exchange(), [&failure](std::exception_ptr error) { failure = error; });
  io.run();
  if (failure) std::rethrow_exception(failure);
}

bool Contains(const std::vector<std::string>& arguments, const std::string& argument) {
  return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
}

LoadSettings ReadLoadSettings(const CommandLine& line) {
  LoadSettings settings;
  settings.connection = ReadConnectionSettings(line);
  const std::string exchange = line.Text("exchange", "keepalive");
  const auto parsed = ParseLoadExchange(exchange);
  if (!parsed) throw PeerFailure(PeerStatus::kUsage, "unknown exchange " + exchange);
  settings.exchange = *parsed;
  settings.connections = static_cast<int>(line.Number("connections", 1, 1, 100000));
  settings.duration = std::chrono::milliseconds(line.Number("duration", 5, 1, 86400) * 1000);
  settings.requestLimit = static_cast<std::uint64_t>(line.Number("requests", 0, 0, INT64_MAX));
  settings.threads = static_cast<int>(line.Number("threads", 1, 1, 2));
  settings.users = static_cast<int>(line.Number("users", settings.users, 1, 1000000));
  settings.userPrefix = line.Text("user-prefix", settings.userPrefix);
  settings.password = line.Text("password", settings.password);
  settings.cameras = static_cast<int>(line.Number("cameras", settings.cameras, 0, 64));
  settings.sitePrefix = line.Text("site-prefix", settings.sitePrefix);
  settings.echo = line.Flag("echo");
  settings.refusalsAnswer = line.Flag("refusals");
  if (settings.refusalsAnswer && settings.exchange != LoadExchange::kAccountLogin &&
      settings.exchange != LoadExchange::kHostLogin) {
    throw PeerFailure(PeerStatus::kUsage, "--refusals goes only with the login exchanges");
  }
  if (settings.echo && settings.exchange != LoadExchange::kKeepAlive) {
    throw PeerFailure(PeerStatus::kUsage, "--echo goes only with the keepalive exchange");
  }
  return settings;
}

FleetSettings ReadFleetSettings(const CommandLine& line, bool fleet) {
  FleetSettings settings;
  settings.connection = ReadConnectionSettings(line);
  settings.recorders = fleet ? static_cast<int>(line.Number("recorders", 1, 1, 100000)) : 1;
  settings.name = line.Text("name", fleet ? "Fleet recorder" : kDefaultSiteName);
  settings.cameras = CameraCount(line, 4);
  settings.keepAliveInterval =
      std::chrono::milliseconds(line.Number("keepalive", 5, 1, 3600) * 1000);
  settings.firstRetry = std::chrono::milliseconds(line.Number("retry-ms", 1000, 1, 3600000));
  settings.longestRetry = std::chrono::milliseconds(
      line.Number("retry-max-ms", 8000, settings.firstRetry.count(), 3600000));
  settings.duration = std::chrono::milliseconds(line.Number("duration", 0, 0, 31536000) * 1000);
  settings.stopOnSignals = true;
  return settings;
}

IdleSettings ReadIdleSettings(const CommandLine& line) {
  IdleSettings settings;
  settings.connection = ReadConnectionSettings(line);
  settings.connections = static_cast<int>(line.Number("connections", 1, 1, 100000));
  settings.duration = std::chrono::milliseconds(line.Number("duration", 10, 1, 86400) * 1000);
  return settings;
}

SeedSettings ReadSeedSettings(const CommandLine& line) {
  SeedSettings settings;
  settings.home = line.Required("home");
  settings.users = static_cast<int>(line.Number("users", settings.users, 0, 1000000));
  settings.userPrefix = line.Text("user-prefix", settings.userPrefix);
  settings.password = line.Text("password", settings.password);
  settings.group = line.Text("group", settings.group);
  settings.grantAddress = line.Text("grant-address", settings.grantAddress);
  return settings;
}

// bench, hold, stall and seed: their report goes to out; failures throw PeerFailure.
PeerStatus RunToolCommand(const std::string& name, const std::vector<std::string>& arguments,
                          std::ostream& out, std::ostream& err, bool progressInPlace) {
  const bool json = Contains(arguments, "--json");
  if (name == "bench") {
    const CommandLine line(
        arguments,
        WithConnectionOptions({"exchange", "connections", "duration", "requests", "threads",
                               "users", "user-prefix", "password", "cameras", "site-prefix"}),
        {"json", "quiet", "echo", "refusals"});
    const LoadReport report =
        RunLoad(ReadLoadSettings(line), {line.Flag("quiet") ? nullptr : &err, progressInPlace});
    out << (json ? LoadReportJson(report) : LoadReportText(report));
    if (report.requests > 0 || report.failures.Total() == 0) return PeerStatus::kOk;
    for (const auto status : {PeerStatus::kRefused, PeerStatus::kTimeout, PeerStatus::kMalformed}) {
      if (report.failures.Of(status) > 0) return status;
    }
    return PeerStatus::kTransport;
  }
  if (name == "hold" || name == "stall") {
    const CommandLine line(arguments, WithConnectionOptions({"connections", "duration"}), {});
    const IdleSettings settings = ReadIdleSettings(line);
    out << (name == "hold" ? HoldReportText(HoldConnections(settings, err))
                           : StallReportText(StallHostLogins(settings, err)));
    return PeerStatus::kOk;
  }
  if (name == "recorder" || name == "fleet") {
    const bool fleet = name == "fleet";
    std::set<std::string> options = {"name",     "cameras",      "keepalive",
                                     "retry-ms", "retry-max-ms", "duration"};
    if (fleet) options.insert("recorders");
    const CommandLine line(arguments, WithConnectionOptions(options), {"json"});
    const FleetTally tally = RunFleet(ReadFleetSettings(line, fleet), &err);
    out << (json ? FleetReportJson(tally) : FleetReportText(tally));
    return PeerStatus::kOk;
  }
  const CommandLine line(
      arguments, {"home", "users", "user-prefix", "password", "group", "grant-address"}, {});
  out << SeedReportText(SeedAccounts(ReadSeedSettings(line)));
  return PeerStatus::kOk;
}

bool IsToolCommand(const std::string& name) {
  return name == "bench" || name == "hold" || name == "stall" || name == "seed" ||
         name == "recorder" || name == "fleet";
}

}  // namespace

ConnectionSettings ReadConnectionSettings(const CommandLine& line) {
  ConnectionSettings settings;
  settings.host = line.Text("host", settings.host);
  settings.port = static_cast<std::uint16_t>(line.Number("port", settings.port, 1, 65535));
  settings.timeout = std::chrono::milliseconds(line.Number("timeout", 5000, 1, 3600000));
  settings.codePage = line.Text("codepage", settings.codePage);
  return settings;
}

bool IsExchangeCommand(const std::string& name) {
  return FindExchangeCommand(name) != nullptr;
}

CommandOutcome RunExchangeCommand(const std::string& name,
                                  const std::vector<std::string>& arguments) {
  CommandOutcome outcome;
  try {
    const ExchangeCommand* command = FindExchangeCommand(name);
    if (!command) throw PeerFailure(PeerStatus::kUsage, "unknown subcommand " + name);
    auto flags = command->flags;
    flags.insert("json");
    const CommandLine line(arguments, WithConnectionOptions(command->options), flags);
    RunOnOneConnection(ReadConnectionSettings(line), outcome.transcript,
                       [&](Peer& peer) { return command->body(peer, line); });
  } catch (const PeerFailure& failure) {
    outcome.status = failure.Status();
    outcome.message = failure.what();
  } catch (const std::exception& error) {
    outcome.status = PeerStatus::kTransport;
    outcome.message = error.what();
  }
  return outcome;
}

int RunPeer(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h" ||
      arguments[0] == "help" || Contains(arguments, "--help")) {
    out << HelpText();
    return arguments.empty() ? ExitCode(PeerStatus::kUsage) : ExitCode(PeerStatus::kOk);
  }
  if (arguments[0] == "--version") {
    out << "orlentis-peer " << ORLENTIS_VERSION << "\n";
    return ExitCode(PeerStatus::kOk);
  }
  const std::string& name = arguments[0];
  const std::vector<std::string> options(arguments.begin() + 1, arguments.end());
  if (IsToolCommand(name)) {
    try {
      const bool terminal = &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
      return ExitCode(RunToolCommand(name, options, out, err, terminal));
    } catch (const PeerFailure& failure) {
      err << "orlentis-peer: " << StatusName(failure.Status()) << ": " << failure.what() << "\n";
      return ExitCode(failure.Status());
    } catch (const std::exception& error) {
      err << "orlentis-peer: " << error.what() << "\n";
      return ExitCode(PeerStatus::kLocal);
    }
  }
  const CommandOutcome outcome = RunExchangeCommand(name, options);
  if (Contains(options, "--json")) {
    out << outcome.transcript.Json(name, outcome.status, outcome.message) << "\n";
  } else {
    out << outcome.transcript.Text();
  }
  if (outcome.status != PeerStatus::kOk) {
    err << "orlentis-peer: " << StatusName(outcome.status) << ": " << outcome.message << "\n";
    if (outcome.status == PeerStatus::kUsage) err << "Try 'orlentis-peer --help'.\n";
  }
  return ExitCode(outcome.status);
}

std::string HelpText() {
  std::string text =
      "Usage: orlentis-peer SUBCOMMAND [OPTIONS]\n"
      "\n"
      "A recorder simulator and load generator for the Orlentis server. Each subcommand does\n"
      "its whole exchange on one connection and prints every reply decoded, one per line, or\n"
      "with --json one JSON object with the decoded replies.\n"
      "\n"
      "Options of every networked subcommand:\n"
      "  --host H        server address or name (default 127.0.0.1)\n"
      "  --port P        server port (default 10240)\n"
      "  --timeout MS    limit for each connect, send and receive (default 5000)\n"
      "  --codepage CP   the recorders' text encoding, an iconv name (default WINDOWS-1252)\n"
      "  --json          print one JSON object instead of text\n"
      "\n"
      "Exchanges:\n";
  for (const auto& command : ExchangeCommands()) {
    const std::string usage = command.usage;
    text += "  " + std::string(command.name) + (usage.empty() ? "" : " " + usage) + "\n";
    std::string summary = command.summary;
    std::size_t start = 0;
    while (start < summary.size()) {
      const auto end = summary.find('\n', start);
      text += "      " + summary.substr(start, end - start) + "\n";
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  text +=
      "\n"
      "Load:\n"
      "  bench --exchange X --connections C --duration S [--requests N] [--threads 1|2]\n"
      "        [--users U --user-prefix P --password W] [--refusals] [--cameras K] [--echo]\n"
      "        [--quiet] [--json]\n"
      "      Closed-loop load on one exchange: keepalive, host-login, account-login,\n"
      "      site-checkin (with K cameras, default 16) or mix. Connections are opened and\n"
      "      registered first; then each sends its next request as soon as the last is\n"
      "      answered, for S seconds (default 5) or N requests in all. A progress line goes\n"
      "      to standard error each second; at the end, requests per second and latency p50,\n"
      "      p99 and maximum. Logins use the users made by seed (user i % U). With --echo\n"
      "      the keep-alives go unregistered to a bare echo server and must come back\n"
      "      unchanged (bench/echo_server). With --refusals a refused login counts as\n"
      "      answered and its connection goes on, as a guesser's would.\n"
      "  hold --connections C --duration S\n"
      "      Opens C connections (each an account check) and holds them silent for S seconds.\n"
      "  stall --connections C --duration S\n"
      "      Begins host logins and never sends the credentials, again and again for S s.\n"
      "\n"
      "Recorders:\n"
      "  recorder [--name N] [--cameras C] [--keepalive S] [--retry-ms MS] [--retry-max-ms MS]\n"
      "           [--duration S] [--json]\n"
      "      Behaves as a recorder's firmware: checks in as site N (default Peer site) with C\n"
      "      cameras (default 4), sends a keep-alive every S seconds (default 5), and when the\n"
      "      connection is lost connects and checks in again, after a pause that starts near\n"
      "      MS (default 1000) and doubles up to --retry-max-ms (default 8000). Runs for the\n"
      "      duration in seconds, or with 0 (the default) until SIGINT or SIGTERM; a line a\n"
      "      second on standard error, and at the end what happened.\n"
      "  fleet --recorders R [--name P] [the options of recorder]\n"
      "      R such recorders, named \"P 0\" to \"P R-1\" (default Fleet recorder), each line\n"
      "      saying how many are checked in; the end says how many connections were lost, how\n"
      "      many checked in again, and the longest time from a first retry to checked in.\n"
      "\n"
      "Accounts:\n"
      "  seed --home DIR [--users U] [--user-prefix P] [--password W] [--group G]\n"
      "       [--grant-address A]\n"
      "      Writes users P0..P(U-1) (default 64 bench-user-N, password bench-password, group\n"
      "      Operator) into DIR/OrlentisDB.db, each allowed every camera of every site and\n"
      "      instance checked in from address A (default 127.0.0.1). The server may run.\n"
      "\n"
      "Exit status:\n"
      "  0  every reply arrived and said yes\n"
      "  1  refused: RSP_FAIL, a host status other than 1, or the connection closed (or\n"
      "     reset) by the server before or instead of an answer\n"
      "  2  usage error: unknown subcommand or option, a missing or bad value\n"
      "  3  transport failure: cannot connect, or the connection broke after answers came\n"
      "  4  timeout: no answer within --timeout\n"
      "  5  malformed: an answer of the wrong size or kind\n"
      "  6  local failure: seed could not write the database\n";
  return text;
}

}  // namespace orlentis::peer
