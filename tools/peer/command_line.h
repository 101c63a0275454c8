#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orlentis::peer {

// The options of one subcommand, read with CLI11: "--key value", "--key=value" or a bare
// "--flag"; a repeated option keeps its last value. Only the options the subcommand names are
// accepted; anything else is a usage error (PeerFailure).
class CommandLine {
 public:
  CommandLine(const std::vector<std::string>& arguments, const std::set<std::string>& valueOptions,
              const std::set<std::string>& flags);

  bool Has(const std::string& option) const { return values_.count(option) > 0; }
  bool Flag(const std::string& flag) const { return flags_.count(flag) > 0; }
  std::string Text(const std::string& option, const std::string& fallback) const;
  // A whole decimal number within [min, max]; a usage error otherwise.
  std::int64_t Number(const std::string& option, std::int64_t fallback, std::int64_t min,
                      std::int64_t max) const;
  // The value of a required option; a usage error when it is missing.
  std::string Required(const std::string& option) const;

 private:
  std::map<std::string, std::string> values_;
  std::set<std::string> flags_;
};

}  // namespace orlentis::peer
