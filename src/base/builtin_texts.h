#pragma once

#include <string_view>

namespace orlentis {

// The program's own English string table (ids 1 to 199). Most texts shown or logged come
// from the language file; this table is used directly only for the few messages that must
// work even without one (text 103, for example). Unknown ids give an empty view.
std::string_view BuiltinText(int id);

}  // namespace orlentis
