#include <CLI/CLI.hpp>
#include <memory>

#include "account_arguments.h"
#include "admin_commands.h"
#include "admin_status.h"
#include "directory/permission_tree.h"
#include "directory/shared_directory.h"
#include "directory/site_accounts.h"
#include "directory/site_monitor.h"

namespace orlentis::admin {
namespace {

struct SiteOptions {
  std::string site;
  bool online = false;
  std::int32_t instances = 1;
};

// Every site a user can be given cameras of.
void ListAllSites(const AdminContext& context) {
  const PermissionTree tree = context.Require(ReadPermissionTree(-1, false));
  std::vector<Record> rows;
  for (const TreeSite& site : tree.Sites()) {
    rows.push_back(Record()
                       .Add("site", SiteName(site))
                       .Add("online", site.online)
                       .Add("cameras", static_cast<std::int32_t>(site.cameras.size()))
                       .Add("label", site.label));
  }
  context.PrintList(rows);
}

// As the Monitor page shows them: a site silent for too long is marked off line on the way.
void ListOnlineSites(const AdminContext& context) {
  const bool servers = DirectoryIsShared();
  std::vector<Record> rows;
  for (const OnlineSite& site : context.Require(RefreshOnlineSites())) {
    Record row = Record()
                     .Add("address", site.address)
                     .Add("name", site.name)
                     .Add("web_port", site.webServerPort)
                     .Add("cameras", site.cameraCount);
    if (servers) row.Add("server", site.server);
    rows.push_back(row);
  }
  context.PrintList(rows);
}

void ListServersOfDirectory(const AdminContext& context) {
  std::vector<Record> rows;
  for (const ServerRow& server : context.Require(ListServers())) {
    rows.push_back(Record()
                       .Add("name", server.name)
                       .Add("address", server.address)
                       .Add("started", server.started)
                       .Add("heartbeat_age", server.heartbeatAgeSeconds));
  }
  context.PrintList(rows);
}

void AddSiteInstances(const AdminContext& context, const SiteOptions& options) {
  const std::uint32_t address = ParseAddress(options.site);
  SiteAddress octets;
  for (std::size_t at = 0; at < octets.size(); ++at) {
    octets[at] = static_cast<std::uint8_t>(address >> (24 - 8 * at));
  }
  context.Require(AddSites(octets, options.instances));
  context.PrintDone("site " + options.site + " registered with " +
                    std::to_string(options.instances) + " instance(s)");
}

void RemoveOneSite(const AdminContext& context, const std::string& text) {
  const SiteChoice choice = ParseSiteChoice(text);
  const PermissionTree tree = context.Require(ReadPermissionTree(-1, false));
  std::vector<const TreeSite*> found;
  for (const TreeSite& site : tree.Sites()) {
    if (Matches(choice, site)) found.push_back(&site);
  }
  if (found.empty()) throw Refusal("no site " + text + " in the directory");
  if (found.size() > 1) {
    throw UsageError("several sites at " + text + ": name one as ADDRESS:INSTANCE");
  }
  context.Require(RemoveSite(found.front()->siteId),
                  {{AccountRefusal::kSiteOnline,
                    "the site " + text + " is on line: only off-line sites can be removed"},
                   {AccountRefusal::kNotFound, "no site " + text + " in the directory"}});
  context.PrintDone("site " + SiteName(*found.front()) + " removed");
}

}  // namespace

void AddSiteCommands(CLI::App& app, AdminContext& context) {
  auto options = std::make_shared<SiteOptions>();
  CLI::App* site = app.add_subcommand("site", "sites: list, add, remove");
  site->require_subcommand(1);

  CLI::App* list = site->add_subcommand("list", "list the sites users can be given cameras of");
  list->add_flag("--online", options->online, "only the sites on line, as the Monitor shows them");
  list->callback(
      [&context, options] { options->online ? ListOnlineSites(context) : ListAllSites(context); });

  CLI::App* add = site->add_subcommand(
      "add", "register a recorder's address before it checks in, with 16 cameras an instance");
  add->add_option("address", options->site, "the recorder's IPv4 address")->required();
  add->add_option("--instances", options->instances, "instances 0 to N-1 (N from 1 to 4)")
      ->required();
  add->callback([&context, options] { AddSiteInstances(context, *options); });

  // Where the sites come through, when several servers share the directory.
  app.add_subcommand("servers",
                     "list the servers sharing the directory and the age of their heartbeats, "
                     "in seconds")
      ->callback([&context] { ListServersOfDirectory(context); });

  CLI::App* remove = site->add_subcommand("remove", "remove an off-line site");
  remove->add_option("site", options->site, "ADDRESS[:INSTANCE]")->required();
  remove->callback([&context, options] { RemoveOneSite(context, options->site); });
}

}  // namespace orlentis::admin
