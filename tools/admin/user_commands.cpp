#include <strings.h>

#include <CLI/CLI.hpp>
#include <memory>

#include "access/roles.h"
#include "account_arguments.h"
#include "admin_commands.h"
#include "admin_status.h"
#include "base/text_ids.h"
#include "directory/authority_boxes.h"
#include "directory/group_accounts.h"
#include "directory/user_accounts.h"
#include "password_input.h"

namespace orlentis::admin {
namespace {

// What the options of add and modify ask for; unset options leave things as they are.
struct UserOptions {
  std::string name;
  std::string group;
  std::string description;
  bool descriptionGiven = false;
  std::string rights;
  std::vector<std::string> sites;
  std::vector<std::string> cameras;
  bool passwordStdin = false;
};

GroupEntry FindGroup(const AdminContext& context, const std::string& name) {
  const auto groups = context.Require(ListGroups());
  for (const GroupEntry& group : groups) {
    if (strcasecmp(group.name.c_str(), name.c_str()) == 0) return group;
  }
  throw Refusal("no group " + name);
}

std::optional<GroupEntry> GroupById(const AdminContext& context, std::int32_t id) {
  for (const GroupEntry& group : context.Require(ListGroups())) {
    if (group.id == id) return group;
  }
  return std::nullopt;
}

UserAccount FindUser(const AdminContext& context, const std::string& name) {
  const UserReading reading = ReadUser(name);
  context.Require(reading.verdict, {{AccountRefusal::kNotFound, "no user " + name}});
  return reading.user;
}

// The user dialog offers only the group's rights: the others keep what they were.
std::uint32_t ChosenRights(const UserOptions& options, const GroupEntry& group,
                           std::uint32_t current) {
  if (options.rights.empty()) return current;
  const AuthorityBoxes boxes = BoxesForUser(current, group.authority);
  const std::uint32_t wanted =
      options.rights == "all" ? boxes.enabled : ParseRights(options.rights);
  if ((wanted & ~boxes.enabled) != 0) {
    throw Refusal("the group " + group.name + " does not have the rights " +
                  RightsText(wanted & ~boxes.enabled));
  }
  return wanted | (current & ~boxes.enabled);
}

std::vector<SiteRight> ChosenSiteRights(const UserOptions& options, const PermissionTree& tree) {
  if (options.sites.size() != options.cameras.size()) {
    throw UsageError("give each --site its --cameras");
  }
  std::vector<SiteRight> rights = tree.Rights();
  for (std::size_t at = 0; at < options.sites.size(); ++at) {
    const SiteChoice choice = ParseSiteChoice(options.sites[at]);
    bool found = false;
    for (std::size_t site = 0; site < tree.Sites().size(); ++site) {
      if (!Matches(choice, tree.Sites()[site])) continue;
      found = true;
      rights[site].cameraAuthority = CameraAuthorityFor(options.cameras[at], tree.Sites()[site]);
    }
    if (!found) throw Refusal("no site " + options.sites[at] + " in the directory");
  }
  return rights;
}

PermissionTree TreeOf(const AdminContext& context, std::int32_t userId, bool locked) {
  return context.Require(ReadPermissionTree(userId, locked));
}

void Save(const AdminContext& context, const UserForm& form) {
  context.Require(SaveUser(form, context.LogSource()));
}

void AddUser(AdminContext& context, const UserOptions& options) {
  if (options.group.empty()) throw UsageError("a new user needs --group");
  const GroupEntry group = FindGroup(context, options.group);
  UserForm form;
  form.mode = UserFormMode::kAdd;
  form.name = options.name;
  form.group = GroupChoice{group.id, group.name};
  form.description = options.description;
  form.authority = ChosenRights(options, group, BoxesForGroup(group.authority).checked);
  form.siteRights = ChosenSiteRights(options, TreeOf(context, -1, false));
  // The checks that need no password come first, so a refusal asks for none.
  const UserListing listing = context.Require(ListUsers());
  for (const UserListEntry& user : listing.users) {
    if (strcasecmp(user.name.c_str(), options.name.c_str()) == 0) {
      context.Require(
          AccountVerdict::Refused(AccountRefusal::kUserExists, kTextUserExists, options.name));
    }
  }
  const NewPassword password = ReadNewPassword(options.passwordStdin, context.In(), context.Err());
  form.password = password.password;
  form.confirmation = password.confirmation;
  Save(context, form);
  context.PrintDone("user " + options.name + " added");
}

// The form the user dialog shows for a stored user, unchanged.
UserForm StoredForm(const AdminContext& context, const UserAccount& user,
                    const std::optional<GroupEntry>& group) {
  UserForm form;
  form.mode = UserFormMode::kModify;
  form.name = user.name;
  form.group = GroupChoice{user.groupId, group ? group->name : std::string()};
  form.password = form.confirmation = std::string(kPasswordPlaceholder);
  form.description = user.description;
  form.authority = user.authority;
  form.siteRights = TreeOf(context, user.id, IsAdministratorName(user.name)).Rights();
  return form;
}

void ModifyUser(AdminContext& context, const UserOptions& options) {
  const UserAccount user = FindUser(context, options.name);
  const bool locked = IsAdministratorName(user.name);
  if (locked && (!options.group.empty() || !options.sites.empty())) {
    throw Refusal("the administrator account keeps its group and every camera");
  }
  std::optional<GroupEntry> group = GroupById(context, user.groupId);
  UserForm form = StoredForm(context, user, group);
  std::uint32_t current = user.authority;
  if (!options.group.empty()) {
    group = FindGroup(context, options.group);
    form.group = GroupChoice{group->id, group->name};
    // Choosing another group starts the user from all of its rights, as the dialog does.
    if (group->id != user.groupId) current = BoxesForGroup(group->authority).checked;
  }
  if (group) form.authority = ChosenRights(options, *group, current);
  if (options.descriptionGiven) form.description = options.description;
  form.siteRights = ChosenSiteRights(options, TreeOf(context, user.id, locked));
  Save(context, form);
  context.PrintDone("user " + user.name + " modified");
}

void ChangePassword(AdminContext& context, const UserOptions& options) {
  const UserAccount user = FindUser(context, options.name);
  UserForm form = StoredForm(context, user, GroupById(context, user.groupId));
  const NewPassword password = ReadNewPassword(options.passwordStdin, context.In(), context.Err());
  form.password = password.password;
  form.confirmation = password.confirmation;
  // The placeholder would keep the old password; it is no password of its own here.
  if (form.password == kPasswordPlaceholder) throw Refusal("choose another password");
  Save(context, form);
  context.PrintDone("password of " + user.name + " changed");
}

void ListUserAccounts(AdminContext& context) {
  const UserListing listing = context.Require(ListUsers());
  std::vector<Record> rows;
  for (const UserListEntry& user : listing.users) {
    rows.push_back(Record()
                       .Add("name", user.name)
                       .Add("group", user.groupName)
                       .Add("description", user.description));
  }
  context.PrintList(rows);
}

void ShowUser(AdminContext& context, const std::string& name) {
  const UserAccount user = FindUser(context, name);
  const auto group = GroupById(context, user.groupId);
  const PermissionTree tree = TreeOf(context, user.id, IsAdministratorName(user.name));
  std::vector<Record> sites;
  for (const TreeSite& site : tree.Sites()) {
    const std::string cameras = CamerasText(site.cameraAuthority);
    if (cameras == "none") continue;
    sites.push_back(
        Record().Add("site", SiteName(site)).Add("cameras", cameras).Add("label", site.label));
  }
  const std::uint32_t groupRights = group ? group->authority : 0;
  context.PrintOne(
      Record()
          .Add("name", user.name)
          .Add("group", group ? group->name : std::string())
          .Add("description", user.description)
          .Add("rights", RightsText(user.authority))
          .Add("effective_rights", RightsText(EffectiveAuthority(user.authority, groupRights)))
          .Add("sites", std::move(sites)));
}

void AddAccountOptions(CLI::App& command, UserOptions& options) {
  command.add_option("--group", options.group, "the user's group");
  command.add_option("--description", options.description, "a description")
      ->each([&options](const std::string&) { options.descriptionGiven = true; });
  command.add_option("--rights", options.rights,
                     "rights by name, comma-separated (monitoring, ptz-control, searching, "
                     "general-setup, user-setup, remote-setup, backup, shutdown, "
                     "privacy-mask), all or none; only the group's");
  command.add_option("--site", options.sites, "ADDRESS[:INSTANCE], each followed by --cameras");
  command.add_option("--cameras", options.cameras, "camera numbers: 1,2,5-8, all or none");
}

}  // namespace

void AddUserCommands(CLI::App& app, AdminContext& context) {
  auto options = std::make_shared<UserOptions>();
  CLI::App* user = app.add_subcommand("user", "users: list, show, add, modify, delete, passwd");
  user->require_subcommand(1);

  user->add_subcommand("list", "list the users")->callback([&context] {
    ListUserAccounts(context);
  });
  CLI::App* show = user->add_subcommand("show", "show a user with its rights and cameras");
  show->add_option("name", options->name, "the user")->required();
  show->callback([&context, options] { ShowUser(context, options->name); });

  CLI::App* add =
      user->add_subcommand("add", "add a user; the password is read as passwd reads it");
  add->add_option("name", options->name, "the new user's name")->required();
  AddAccountOptions(*add, *options);
  add->add_flag("--password-stdin", options->passwordStdin, "read the password from stdin");
  add->callback([&context, options] { AddUser(context, *options); });

  CLI::App* modify = user->add_subcommand("modify", "change a user's group, rights or cameras");
  modify->add_option("name", options->name, "the user")->required();
  AddAccountOptions(*modify, *options);
  modify->callback([&context, options] { ModifyUser(context, *options); });

  CLI::App* remove = user->add_subcommand("delete", "delete a user");
  remove->add_option("name", options->name, "the user")->required();
  remove->callback([&context, options] {
    context.Require(DeleteUser(options->name, context.LogSource()),
                    {{AccountRefusal::kProtected, "the administrator account cannot be deleted"},
                     {AccountRefusal::kNotFound, "no user " + options->name}});
    context.PrintDone("user " + options->name + " deleted");
  });

  CLI::App* passwd = user->add_subcommand(
      "passwd", "set a user's password, typed twice without echo or read from stdin");
  passwd->add_option("name", options->name, "the user")->required();
  passwd->add_flag("--password-stdin", options->passwordStdin,
                   "read the password from the first line of standard input");
  passwd->callback([&context, options] { ChangePassword(context, *options); });
}

}  // namespace orlentis::admin
