#include "tests/e2e_harness.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "files/text.h"

namespace vaxo_e2e {

std::string Crlf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

Scratch::Scratch() {
  std::random_device rd;
  root_ = fs::temp_directory_path() / ("vaxo_e2e_" + std::to_string(rd()) + std::to_string(rd()));
  fs::create_directories(root_);
  fs::create_directories(drive_c());
  fs::create_directories(program_dir());
}

Scratch::~Scratch() {
  std::error_code ec;
  // Read-only entries would not stop root, but give back write bits anyway.
  for (auto& p : fs::recursive_directory_iterator(root_, ec))
    fs::permissions(p.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(root_, ec);
}

void Scratch::Write(const std::string& rel, const std::string& bytes) {
  fs::path p = root_ / rel;
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

std::string Scratch::Read(const std::string& rel) const {
  std::ifstream in(root_ / rel, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool Scratch::Exists(const std::string& rel) const { return fs::exists(root_ / rel); }

void Scratch::MakeDir(const std::string& rel) { fs::create_directories(root_ / rel); }

void Scratch::CopySample() {
  fs::copy(fs::path(VAXO_SOURCE_DIR) / "sample", root_, fs::copy_options::recursive);
  fs::remove(root_ / ".gitattributes");
}

std::map<std::string, std::string> Scratch::Snapshot(const std::string& rel) const {
  std::map<std::string, std::string> files;
  for (auto& p : fs::recursive_directory_iterator(root_ / rel)) {
    if (p.is_regular_file())
      files[fs::relative(p.path(), root_).string()] = Read(fs::relative(p.path(), root_).string());
  }
  return files;
}

std::string Scratch::WinUpper(const std::string& rel) const {
  std::string host = (root_ / rel).string();
  std::string win = "Z:";
  for (char c : host) win += (c == '/') ? '\\' : c;
  return vaxo::UCase(win);
}

RunResult Scratch::Run(const std::string& args, bool with_tool) const {
  const fs::path bin = VAXO_BIN_DIR;
  const auto opts = fs::copy_options::overwrite_existing;
  fs::copy_file(bin / "upgrade_vaxo", program_dir() / "upgrade_vaxo", opts);
  fs::copy_file(bin / "Vaxo_Value.dat", program_dir() / "Vaxo_Value.dat", opts);
  if (with_tool) fs::copy_file(bin / "ValXfer.exe", program_dir() / "ValXfer.exe", opts);

  const fs::path out = root_ / "stdout.txt", err = root_ / "stderr.txt";
  std::string cmd = "cd '" + root_.string() + "' && VAXO_DRIVE_C='" + drive_c().string() + "' '" +
                    (program_dir() / "upgrade_vaxo").string() + "'";
  if (!args.empty()) cmd += " '" + args + "'";
  cmd += " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
  RunResult r;
  int status = std::system(cmd.c_str());
  r.exit_code = (status >> 8) & 0xff;
  r.out = Read("stdout.txt");
  r.err = Read("stderr.txt");
  return r;
}

std::string Scratch::LogBody() const {
  std::string log = Exists("drive_c/zel/roboter/log/Upgrade_vaxo.log")
                        ? Read("drive_c/zel/roboter/log/Upgrade_vaxo.log")
                        : Read("drive_c/Upgrade_vaxo.log");
  size_t eol = log.find("\r\n");
  return eol == std::string::npos ? std::string() : log.substr(eol + 2);
}

}  // namespace vaxo_e2e
