#pragma once

#include <string_view>

namespace orlentis {

// The schema's SQL, compiled in from resources/sql/: the script that creates version 1, and
// one script per later version that upgrades a database from the version before it.
extern const std::string_view kSchemaScript1;

}  // namespace orlentis
