// Entry point of upgrade_file; see upgrade/upgrade_file.h.
#include <string>
#include <vector>

#include "platform/env.h"
#include "upgrade/upgrade_file.h"

int main(int argc, char** argv) {
  vaxo::Env::Default();  // first: the backend sets up the process
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  return vaxo::RunUpgradeFile(args);
}
