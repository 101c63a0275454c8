#include "admin_tool.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "admin_commands.h"
#include "admin_status.h"

namespace orlentis::admin {
namespace {

constexpr const char* kDescription =
    "Administers an Orlentis program folder from the shell: users, groups, sites, the IP\n"
    "filter, the event log, the settings and the database. It works beside a running server:\n"
    "a change is seen by the server's next request.\n"
    "Exit status: 0 done, 1 refused by a rule (the reason on standard error), 2 usage error,\n"
    "3 the database cannot be used.";

// The chosen command as its words, e.g. "filter mode".
std::string CommandPath(const CLI::App& app) {
  std::string path;
  const CLI::App* at = &app;
  while (!at->get_subcommands().empty()) {
    at = at->get_subcommands().front();
    path += (path.empty() ? "" : " ") + at->get_name();
  }
  return path;
}

// These read or write only Setting.ini, or look at the database file themselves.
bool NeedsDatabase(const std::string& path) {
  return !(path.starts_with("settings") || path == "filter mode" || path == "check" ||
           path == "database copy");
}

void BuildCommandLine(CLI::App& app, AdminContext& context) {
  app.set_version_flag("--version", std::string("orlentis-admin ") + ORLENTIS_VERSION);
  app.add_option("--home", context.home,
                 "the program folder (default: $ORLENTIS_HOME, else the executable's folder)");
  app.add_flag("--json", context.json, "print JSON for scripts instead of tables");
  // The global options may also follow the command.
  app.fallthrough();
  app.require_subcommand(1);
  AddUserCommands(app, context);
  AddGroupCommands(app, context);
  AddSiteCommands(app, context);
  AddFilterCommands(app, context);
  AddLogCommands(app, context);
  AddSettingsCommands(app, context);
  AddDatabaseCommands(app, context);
  AddCopyCommands(app, context);
  app.parse_complete_callback([&app, &context] {
    context.UseFolder();
    if (NeedsDatabase(CommandPath(app))) context.UseDatabase();
  });
}

}  // namespace

int RunAdmin(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
             std::istream& in) {
  AdminContext context(out, err, in);
  CLI::App app(kDescription, "orlentis-admin");
  BuildCommandLine(app, context);
  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
    return static_cast<int>(AdminStatus::kDone);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return static_cast<int>(AdminStatus::kDone);
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return static_cast<int>(AdminStatus::kDone);
  } catch (const CLI::CallForVersion&) {
    out << app.version() << "\n";
    return static_cast<int>(AdminStatus::kDone);
  } catch (const CLI::ParseError& error) {
    err << "orlentis-admin: " << error.what() << "\nTry 'orlentis-admin --help'.\n";
    return static_cast<int>(AdminStatus::kUsage);
  } catch (const AdminFailure& failure) {
    err << "orlentis-admin: " << failure.what() << "\n";
    return static_cast<int>(failure.Status());
  }
}

}  // namespace orlentis::admin
