#include <CLI/CLI.hpp>
#include <memory>

#include "access/roles.h"
#include "account_arguments.h"
#include "admin_commands.h"
#include "directory/group_accounts.h"

namespace orlentis::admin {
namespace {

struct GroupOptions {
  std::string name;
  std::string rights = "none";
};

void ListGroupEntries(const AdminContext& context) {
  std::vector<Record> rows;
  for (const GroupEntry& group : context.Require(ListGroups())) {
    rows.push_back(Record()
                       .Add("level", group.level)
                       .Add("name", group.name)
                       .Add("users", group.userCount)
                       .Add("default", IsRoleName(group.name))
                       .Add("rights", RightsText(group.authority)));
  }
  context.PrintList(rows);
}

// The tool is run on the server's machine by its administrator.
Asker Administrator(const AdminContext& context) {
  return Asker::MachineAdministrator(context.LogSource());
}

AdminContext::Reasons Reasons(const std::string& name) {
  return {{AccountRefusal::kProtected,
           name + " is a default group: it can be neither modified nor deleted"},
          {AccountRefusal::kNotFound, "no group " + name}};
}

}  // namespace

void AddGroupCommands(CLI::App& app, AdminContext& context) {
  auto options = std::make_shared<GroupOptions>();
  CLI::App* group = app.add_subcommand("group", "groups: list, add, modify, delete, up, down");
  group->require_subcommand(1);

  group->add_subcommand("list", "list the groups in their order")->callback([&context] {
    ListGroupEntries(context);
  });

  CLI::App* add = group->add_subcommand("add", "add a group; it comes last");
  add->add_option("name", options->name, "the new group's name")->required();
  add->add_option("--rights", options->rights, "rights by name, comma-separated, all or none");
  add->callback([&context, options] {
    context.Require(AddGroup(options->name, ParseRights(options->rights), Administrator(context)));
    context.PrintDone("group " + options->name + " added");
  });

  CLI::App* modify = group->add_subcommand(
      "modify", "set a group's rights; its users lose the rights it no longer has");
  modify->add_option("name", options->name, "the group")->required();
  modify->add_option("--rights", options->rights, "rights by name, comma-separated, all or none")
      ->required();
  modify->callback([&context, options] {
    context.Require(
        ModifyGroup(options->name, ParseRights(options->rights), Administrator(context)),
        Reasons(options->name));
    context.PrintDone("group " + options->name + " modified");
  });

  CLI::App* remove = group->add_subcommand("delete", "delete a group with all its users");
  remove->add_option("name", options->name, "the group")->required();
  remove->callback([&context, options] {
    context.Require(DeleteGroup(options->name, Administrator(context)), Reasons(options->name));
    context.PrintDone("group " + options->name + " deleted");
  });

  CLI::App* up = group->add_subcommand("up", "move a group one place up");
  up->add_option("name", options->name, "the group")->required();
  up->callback([&context, options] {
    context.Require(MoveGroupUp(options->name, Administrator(context)), Reasons(options->name));
    context.PrintDone("group " + options->name + " moved up");
  });

  CLI::App* down = group->add_subcommand("down", "move a group one place down");
  down->add_option("name", options->name, "the group")->required();
  down->callback([&context, options] {
    context.Require(MoveGroupDown(options->name, Administrator(context)), Reasons(options->name));
    context.PrintDone("group " + options->name + " moved down");
  });
}

}  // namespace orlentis::admin
