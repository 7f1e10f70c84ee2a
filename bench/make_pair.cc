// Writes the generated installation pair of the measurements under a
// folder, with the log folder a controller has, for timing whole runs from
// outside (under Wine too): vaxo_make_pair ROOT [FILES [LINES [DIFFER_EVERY]]],
// the last: every how many-th old value differs from the new one (1: all).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_inputs.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 5) {
    std::fprintf(stderr, "usage: vaxo_make_pair ROOT [FILES [LINES [DIFFER_EVERY]]]\n");
    return 2;
  }
  const std::string root = argv[1];
  const int files = argc > 2 ? std::atoi(argv[2]) : 200;
  const int lines = argc > 3 ? std::atoi(argv[3]) : 2000;
  const int differ_every = argc > 4 ? std::atoi(argv[4]) : 1;
  vaxo::bench::WriteInstallationPair(root, files, lines, differ_every < 1 ? 1 : differ_every);
  vaxo::bench::WriteBytes(root + "/drive_c/zel/roboter/log/.keep", "");
  return 0;
}
