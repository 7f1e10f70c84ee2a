#include "bench/bench_inputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <vector>

namespace vaxo {
namespace bench {
namespace {

// Names of several shapes, as machine data has them; none is a substring
// of another with its "=", so every rule finds exactly one line.
std::string Name(int k) {
  switch (k % 4) {
    case 0:
      return "$VAR_" + std::to_string(k);
    case 1:
      return "$AX_PARAM_" + std::to_string(k) + "[" + std::to_string(k % 6 + 1) + "]";
    case 2:
      return "$Tool_Data_" + std::to_string(k) + ".Mass";
    default:
      return "$LIMIT_" + std::to_string(k) + "_MAX";
  }
}

std::string Value(int k, int generation) {
  switch (k % 3) {
    case 0:
      return std::to_string((k * 7 + generation) % 1000);
    case 1:
      return "{X " + std::to_string(k % 100) + "." + std::to_string(generation) + ", Y 0.0, Z " +
             std::to_string(k % 17) + ".5}";
    default:
      return "#" + std::string(generation ? "ON" : "OFF");
  }
}

const char kEnd[] = "\r\n";

}  // namespace

const char* OrderName(RuleOrder order) {
  switch (order) {
    case RuleOrder::kFile:
      return "file";
    case RuleOrder::kReversed:
      return "reversed";
    default:
      return "shuffled";
  }
}

MachineData MakeMachineData(int lines, RuleOrder order, uint32_t seed, int rule_every,
                            int differ_every) {
  MachineData data;
  data.new_text = "; machine data, generation 2" + std::string(kEnd) + ";" + kEnd;
  data.old_text = "; machine data, generation 1" + std::string(kEnd) + ";" + kEnd;
  std::vector<int> ruled;
  for (int k = 0; k < lines; ++k) {
    std::string line = Name(k) + "=" + Value(k, 2);
    if (k % 8 == 0) line += " ;unit " + std::to_string(k % 5);
    data.new_text += line + kEnd;
    if (k % 97 != 5) {  // some variables are new in generation 2
      const int generation = k % differ_every == 0 ? 1 : 2;
      data.old_text += (k % 11 == 0 ? "  " : "") + Name(k) + "=" + Value(k, generation) + kEnd;
    }
    if (k % 50 == 7) data.old_text += "$OBSOLETE_" + std::to_string(k) + "=1" + kEnd;
    if (k % rule_every == 0) ruled.push_back(k);
  }
  if (order == RuleOrder::kReversed) std::reverse(ruled.begin(), ruled.end());
  if (order == RuleOrder::kShuffled) std::shuffle(ruled.begin(), ruled.end(), std::mt19937(seed));
  for (int k : ruled) {
    data.upg_text += Name(k) + "=" + (k % 7 == 3 ? "0" : "") + kEnd;
  }
  return data;
}

std::string MakeTempDir(const std::string& tag) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vaxo_bench_" + tag + ".XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  return pattern;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::abort();
  }
}

size_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
}

size_t WriteInstallationPair(const std::string& root, int files, int lines, int differ_every) {
  size_t largest = 0;
  for (int f = 0; f < files; ++f) {
    const bool r1 = f % 2 == 0;
    char number[16];
    std::snprintf(number, sizeof number, "%03d", f);
    // Sizes spread around `lines`, so the files are not all alike.
    const int n = lines - lines / 10 + (f * 37) % (lines / 5 + 1);
    const MachineData data = MakeMachineData(n, RuleOrder::kFile, f + 1, 3, differ_every);
    const std::string old_dir = root + (r1 ? "/OLD/ZEL/R1/VAXO/" : "/OLD/ZEL/STEU/VAXO/");
    const std::string new_dir =
        root + (r1 ? "/NEW/ROBOTER/ZEL/R1/VAXO/" : "/NEW/ROBOTER/ZEL/STEU/VAXO/");
    const std::string dat = std::string("$file") + number + ".dat";
    WriteBytes(old_dir + dat, data.old_text);
    WriteBytes(new_dir + dat, data.new_text);
    WriteBytes(new_dir + "file" + number + ".upg", data.upg_text);
    largest = std::max({largest, data.old_text.size(), data.new_text.size()});
  }
  return largest;
}

}  // namespace bench
}  // namespace vaxo
