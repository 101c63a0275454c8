#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orlentis::admin {

// The whole of orlentis-admin: arguments without the program name; the password comes from in
// (the terminal, or the first line with --password-stdin). Returns the exit status.
int RunAdmin(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
             std::istream& in);

}  // namespace orlentis::admin
