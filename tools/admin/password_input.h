#pragma once

#include <iosfwd>
#include <string>

namespace orlentis::admin {

struct NewPassword {
  std::string password;
  std::string confirmation;
};

// A new password never comes from the command line, where every user of the machine could
// read it. With fromStandardInput, the first line of in (for scripts; it serves as its own
// confirmation); otherwise typed twice at the terminal without echo, the prompts on err.
NewPassword ReadNewPassword(bool fromStandardInput, std::istream& in, std::ostream& err);

}  // namespace orlentis::admin
