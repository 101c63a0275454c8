#include <CLI/CLI.hpp>
#include <memory>

#include "account_arguments.h"
#include "admin_commands.h"
#include "admin_status.h"
#include "base/program_folder.h"
#include "directory/ip_filter_ranges.h"
#include "setting_keys.h"

namespace orlentis::admin {
namespace {

struct FilterOptions {
  std::string from;
  std::string to;
  std::string description;
  std::string mode;
};

void ListFilter(const AdminContext& context) {
  const Settings settings(ProgramFolder() / kSettingsFileName);
  std::vector<Record> ranges;
  for (const IpFilterRange& range : context.Require(ListIpFilterRanges())) {
    ranges.push_back(
        Record().Add("from", range.from).Add("to", range.to).Add("description", range.description));
  }
  context.PrintOne(Record()
                       .Add("filter", settings.IsIPFilter() ? "on" : "off")
                       .Add("mode", settings.GetIPFilterMode() == 1 ? "accept" : "deny")
                       .Add("ranges", std::move(ranges)));
}

void AddRange(const AdminContext& context, const FilterOptions& options) {
  context.RequireDone(
      AddIpFilterRange(ParseAddress(options.from), ParseAddress(options.to), options.description));
  context.PrintDone("range " + options.from + " - " + options.to + " added");
}

// The first listed range with these addresses (and this description, when one is given).
void DeleteRange(const AdminContext& context, const FilterOptions& options, bool described) {
  const std::string from = DottedAddress(ParseAddress(options.from));
  const std::string to = DottedAddress(ParseAddress(options.to));
  for (const IpFilterRange& range : context.Require(ListIpFilterRanges())) {
    if (range.from != from || range.to != to) continue;
    if (described && range.description != options.description) continue;
    if (context.Require(DeleteIpFilterRanges({range.key})) == 1) {
      context.PrintDone("range " + from + " - " + to + " deleted");
      return;
    }
  }
  throw Refusal("no range " + from + " - " + to + " in the filter");
}

void SetMode(const AdminContext& context, const std::string& mode) {
  if (mode == "on" || mode == "off") {
    ChangeSetting(context, "IPSETTING.FILTER", mode == "on" ? "1" : "0");
  } else {
    ChangeSetting(context, "IPSETTING.FILTERSTYLE", mode == "accept" ? "1" : "0");
  }
}

}  // namespace

void AddFilterCommands(CLI::App& app, AdminContext& context) {
  auto options = std::make_shared<FilterOptions>();
  CLI::App* filter = app.add_subcommand("filter", "the IP filter: list, add, delete, mode");
  filter->require_subcommand(1);

  filter->add_subcommand("list", "show the filter's state, mode and ranges")->callback([&context] {
    ListFilter(context);
  });

  CLI::App* add = filter->add_subcommand("add", "add a range of addresses");
  add->add_option("from", options->from, "first address")->required();
  add->add_option("to", options->to, "last address")->required();
  add->add_option("description", options->description, "what the range is");
  add->callback([&context, options] { AddRange(context, *options); });

  CLI::App* remove = filter->add_subcommand("delete", "delete a range");
  remove->add_option("from", options->from, "first address")->required();
  remove->add_option("to", options->to, "last address")->required();
  CLI::Option* described =
      remove->add_option("description", options->description, "its description, if several");
  remove->callback(
      [&context, options, described] { DeleteRange(context, *options, described->count() > 0); });

  CLI::App* mode = filter->add_subcommand(
      "mode", "deny: refuse the ranges; accept: admit only them; on or off: the filter itself");
  mode->add_option("mode", options->mode, "deny, accept, on or off")
      ->required()
      ->check(CLI::IsMember({"deny", "accept", "on", "off"}));
  mode->callback([&context, options] { SetMode(context, options->mode); });
}

}  // namespace orlentis::admin
