#include "app/startup.h"

int main(int argc, char** argv) {
  return orlentis::RunOrlentis(std::vector<std::string>(argv + 1, argv + argc));
}
