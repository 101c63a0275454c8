#pragma once

#include <string>

#include "admin_context.h"

namespace CLI {
class App;
}

namespace orlentis::admin {

// Each adds its command with its subcommands to app; they run with context once the whole
// command line is parsed.
void AddUserCommands(CLI::App& app, AdminContext& context);
void AddGroupCommands(CLI::App& app, AdminContext& context);
void AddSiteCommands(CLI::App& app, AdminContext& context);
void AddFilterCommands(CLI::App& app, AdminContext& context);
void AddLogCommands(CLI::App& app, AdminContext& context);
void AddSettingsCommands(CLI::App& app, AdminContext& context);
void AddDatabaseCommands(CLI::App& app, AdminContext& context);
void AddCopyCommands(CLI::App& app, AdminContext& context);

// check --against: compares the folder's database row by row with the one of target.
void CompareWithDatabase(AdminContext& context, const std::string& target);

}  // namespace orlentis::admin
