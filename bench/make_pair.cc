// Writes the generated installation pair of the measurements under a
// folder, with the log folder a controller has, for timing whole runs from
// outside (under Wine too): vaxo_make_pair ROOT [FILES [LINES]].
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_inputs.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: vaxo_make_pair ROOT [FILES [LINES]]\n");
    return 2;
  }
  const std::string root = argv[1];
  const int files = argc > 2 ? std::atoi(argv[2]) : 200;
  const int lines = argc > 3 ? std::atoi(argv[3]) : 2000;
  vaxo::bench::WriteInstallationPair(root, files, lines);
  vaxo::bench::WriteBytes(root + "/drive_c/zel/roboter/log/.keep", "");
  return 0;
}
