#include <sys/resource.h>

#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

// A load run holds thousands of sockets: take every descriptor the hard limit allows.
static void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

int main(int argc, char** argv) {
  RaiseDescriptorLimit();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return orlentis::peer::RunPeer(arguments, std::cout, std::cerr);
}
