#include <iostream>
#include <string>
#include <vector>

#include "admin_tool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return orlentis::admin::RunAdmin(arguments, std::cout, std::cerr, std::cin);
}
