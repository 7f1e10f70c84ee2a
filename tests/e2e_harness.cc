#include "tests/e2e_harness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "base/text.h"
#include "report/report_shape.h"

extern char** environ;

namespace vaxo_e2e {

std::string Crlf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

namespace {

const char* WineProgramDir() {
  const char* dir = std::getenv("VAXO_E2E_WINE");
  return dir && *dir ? dir : nullptr;
}

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The environment of every Wine command: quiet, no browser or .NET
// installer dialogue, no display (the program's windows stay invisible).
std::string WineEnv(const fs::path& prefix, const std::string& debug = "-all") {
  return "env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX=" + Quoted(prefix.string()) +
         " WINEDEBUG=" + Quoted(debug) + " WINEDLLOVERRIDES='mscoree,mshtml=' ";
}

// The template prefix, made once per test process when none was given.
fs::path TemplatePrefix() {
  static const fs::path prefix = [] {
    const char* given = std::getenv("VAXO_E2E_WINEPREFIX");
    if (given && *given) return fs::path(given);
    std::string out;
    if (FILE* p = popen((std::string(VAXO_SOURCE_DIR) + "/scripts/wine-prefix.sh").c_str(), "r")) {
      char buf[512];
      while (fgets(buf, sizeof buf, p)) out += buf;
      pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return fs::path(out);
  }();
  return prefix;
}

// Host paths below / in their Z:\ form: every "/" becomes "\" and "Z:"
// goes before each path that starts at the root.
std::string ZPaths(const std::string& args) {
  std::string out;
  for (size_t i = 0; i < args.size(); ++i) {
    const char c = args[i];
    const bool starts_path =
        c == '/' && (i == 0 || args[i - 1] == ' ' || args[i - 1] == '"' || args[i - 1] == '|' ||
                     args[i - 1] == '\t' || args[i - 1] == '\'');
    if (starts_path) out += "Z:";
    out += c == '/' ? '\\' : c;
  }
  return out;
}

}  // namespace

bool UnderWine() { return WineProgramDir() != nullptr; }

std::string Title(const std::string& m) {
  const std::string dashes(m.size() + 6, '-');
  return "\r\n" + dashes + "\r\n-- " + m + " --\r\n" + dashes + "\r\n";
}
std::string Info(const std::string& m) { return "    " + m + "\r\n"; }
std::string Error(const std::string& m) { return "!!! " + m + " !!!\r\n"; }
std::string Warning(const std::string& m) { return "### " + m + " ###\r\n"; }

std::string CommandEntries(const std::string& o, const std::string& n) {
  return Info("commandolineargument: " + o + "|" + n) + Info("1. commandolineargument: " + o) +
         Info("2. commandolineargument: " + n);
}

std::string FoundDirs(const std::string& os1, const std::string& oss, const std::string& nr1,
                      const std::string& nst) {
  return Info("Sorce path R1:   " + os1) +
         Info("Sorce path R1 ...  $M*.DAT- and / or upg-file found") +
         Info("Sorce path STEU: " + oss) +
         Info("Sorce path STEU ...  $M*.DAT- and / or upg-file found") +
         Info("Destination path R1:   " + nr1) +
         Info("Destination path R1 ...  $M*.DAT- and / or upg-file found") +
         Info("Destination path STEU: " + nst) +
         Info("Destination path STEU ...  $M*.DAT- and / or upg-file found");
}

Scratch::Scratch(const std::string& program_folder) : program_folder_(program_folder) {
  std::random_device rd;
  root_ = fs::temp_directory_path() / ("vaxo_e2e_" + std::to_string(rd()) + std::to_string(rd()));
  fs::create_directories(root_);
  if (UnderWine()) {
    // A prefix of its own: hard links to the template's files, own copies
    // of what Wine writes in place (the registry, the update stamp), and
    // no "wineserver" entry, which names the template's server directory.
    // It lies beside the pairs, not around them: Wine leaves its prefix out
    // of every directory listing. drive_c is a link to its drive C:.
    const std::string t = Quoted(TemplatePrefix().string()), w = Quoted(WinePrefix().string());
    const std::string cmd = "mkdir " + w + " && cp -al " + t + "/. " + w + "/ && cd " + w +
                            " && rm -f wineserver .vaxo-ready *.reg .update-timestamp && cp " + t +
                            "/*.reg " + t + "/.update-timestamp . && ln -s wine/drive_c ../drive_c";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("cannot copy the Wine prefix");
  }
  fs::create_directories(drive_c());
  fs::create_directories(program_dir());
}

Scratch::~Scratch() {
  std::error_code ec;
  for (const fs::path& dir : mounts_) std::system(("umount '" + dir.string() + "'").c_str());
  if (UnderWine()) {
    std::system((WineEnv(WinePrefix()) + "wineserver -k >/dev/null 2>&1").c_str());
    // Wine keeps the server's socket in a directory of its own, named in
    // the prefix's "wineserver" entry.
    const std::string server = Read("wine/wineserver");
    if (!server.empty() && server.find('/') == std::string::npos)
      fs::remove_all(fs::temp_directory_path() / server, ec);
  }
  // Read-only entries would not stop root, but give back write bits anyway;
  // not through links (the prefix's drive links, the template's files).
  for (auto& p : fs::recursive_directory_iterator(root_, ec)) {
    if (p.is_symlink(ec) || (p.is_regular_file(ec) && p.hard_link_count(ec) > 1)) continue;
    fs::permissions(p.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
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

std::map<std::string, std::string> Scratch::State(const std::string& rel) const {
  std::map<std::string, std::string> files = Snapshot(rel);
  for (auto& kv : files) {
    const fs::path p = root_ / kv.first;
    char dos[64] = {};
    const ssize_t n = getxattr(p.c_str(), "user.DOSATTRIB", dos, sizeof dos - 1);
    kv.second += "\n[mode " + std::to_string(unsigned(fs::status(p).permissions())) + ", dos " +
                 (n > 0 ? std::string(dos, size_t(n)) : std::string("none")) + "]";
  }
  return files;
}

std::string Scratch::WinUpper(const std::string& rel) const {
  std::string host = (root_ / rel).string();
  std::string win = "Z:";
  for (char c : host) win += (c == '/') ? '\\' : c;
  return vaxo::UCase(win);
}

namespace {

// Copies `name` from `bin` into `dir` unless it is there already.
void Install(const fs::path& bin, const fs::path& dir, const char* name) {
  if (!fs::exists(dir / name)) fs::copy_file(bin / name, dir / name);
}

}  // namespace

RunResult Scratch::Run(const std::string& args, bool with_tool) const {
  if (!foresee_ || !with_tool || args.empty()) return RunHere(args, with_tool);
  const fs::path json = root_ / "foreseen.json";
  const RunResult preview = RunVaxo("preview '" + args + "' --json " + Quoted(json.string()));
  const std::string foreseen = Exists("foreseen.json") ? Read("foreseen.json") : "";
  fs::remove(json);
  const RunResult run = RunHere(args, with_tool);
  const size_t last = preview.out.rfind("exit code ");
  EXPECT_EQ(last == std::string::npos ? preview.out : preview.out.substr(last),
            "exit code " + std::to_string(run.exit_code) + "\n")
      << preview.err;
  // A run without a log has no place for its report; the preview still
  // writes the one asked for.
  const std::string report = ReportJson();
  if (!report.empty()) {
    EXPECT_FALSE(foreseen.empty()) << preview.out << preview.err;
    if (!foreseen.empty()) {
      EXPECT_EQ(PastRunFields(foreseen), PastRunFields(report));
    }
  }
  return run;
}

RunResult Scratch::RunHere(const std::string& args, bool with_tool) const {
  if (UnderWine()) return RunWine(args, with_tool);
  const fs::path bin = VAXO_BIN_DIR;
  Install(bin, program_dir(), "upgrade_vaxo");
  Install(bin, program_dir(), "Vaxo_Value.dat");
  if (with_tool) Install(bin, program_dir(), "ValXfer.exe");

  std::string cmd = "cd '" + (root_ / working_folder_).string() + "' && VAXO_DRIVE_C='" +
                    drive_c().string() + "' '" + (program_dir() / "upgrade_vaxo").string() + "'";
  if (!args.empty()) cmd += " '" + args + "'";
  return Execute(cmd);
}

// vaxo lies beside the program, as in the ZIPs: its preview finds the
// program's template and tool where the program does.
RunResult Scratch::RunVaxo(const std::string& args) const {
  if (UnderWine()) {
    Install(WineProgramDir(), program_dir(), "Vaxo.exe");
    Install(WineProgramDir(), program_dir(), "Vaxo_Value.dat");
    return Execute("cd " + Quoted((root_ / working_folder_).string()) + " && " +
                   WineEnv(WinePrefix()) + "timeout 120 wine " + WineProgram("Vaxo.exe") + " " +
                   ZPaths(args));
  }
  Install(VAXO_BIN_DIR, program_dir(), "vaxo");
  Install(VAXO_BIN_DIR, program_dir(), "Vaxo_Value.dat");
  return Execute("cd " + Quoted((root_ / working_folder_).string()) +
                 " && VAXO_DRIVE_C=" + Quoted(drive_c().string()) + " " +
                 Quoted((program_dir() / "vaxo").string()) + " " + args);
}

// A program in the program's folder as Wine is given it: from the root,
// or by its full host path from another working folder.
std::string Scratch::WineProgram(const std::string& exe) const {
  return Quoted(working_folder_.empty() ? program_folder_ + "/" + exe
                                        : (program_dir() / exe).string());
}

// The Windows program under Wine in this prefix. Wine quotes an argument
// with blanks or quotes when it builds the program's command line; such an
// argument goes through cmdline_launch.exe, which hands it over unchanged.
RunResult Scratch::RunWine(const std::string& args, bool with_tool) const {
  const fs::path bin = WineProgramDir();
  Install(bin, program_dir(), "UpgradeVaxo.exe");
  Install(bin, program_dir(), "Vaxo_Value.dat");
  if (with_tool) Install(bin, program_dir(), "ValXfer.exe");

  const std::string win_args = ZPaths(args);
  std::string cmd = "cd " + Quoted((root_ / working_folder_).string()) + " && " +
                    WineEnv(WinePrefix(), wine_debug_) + "timeout 120 wine ";
  if (win_args.find_first_of(" \t\"") == std::string::npos) {
    cmd += WineProgram("UpgradeVaxo.exe");
    if (!win_args.empty()) cmd += " " + Quoted(win_args);
  } else {
    const std::string program = ZPaths((program_dir() / "UpgradeVaxo.exe").string());
    std::ofstream(root_ / "cmdline.txt", std::ios::binary) << "\"" + program + "\" " + win_args;
    cmd += Quoted((bin / "cmdline_launch.exe").string()) + " cmdline.txt";
  }
  return Execute(cmd);
}

void Scratch::StartWineDriver(const std::string& exe, const std::vector<std::string>& args,
                              const std::string& out_rel) const {
  const std::string out = Quoted((root_ / out_rel).string());
  std::string cmd = "(cd " + Quoted(root_.string()) + " && " + WineEnv(WinePrefix()) + "wine " +
                    Quoted((fs::path(WineProgramDir()) / exe).string());
  for (const std::string& arg : args) cmd += " " + Quoted(ZPaths(arg));
  cmd += " </dev/null >" + out + " 2>/dev/null; echo $? >" + out + ".rc.part; mv " + out +
         ".rc.part " + out + ".rc) &";
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("cannot start " + exe);
}

bool Scratch::WaitFor(const std::string& rel, int seconds) const {
  for (int i = 0; i < seconds * 20; ++i) {
    if (!Read(rel).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// Runs a shell command with standard input from /dev/null and its output
// collected in the scratch folder.
RunResult Scratch::Execute(std::string cmd) const {
  const fs::path out = root_ / "stdout.txt", err = root_ / "stderr.txt";
  cmd += " </dev/null >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
  RunResult r;
  const int status = std::system(cmd.c_str());
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

// The report the run left beside its log: in the log folder, or at the
// root of drive C: where that folder is missing.
std::string Scratch::ReportJson() const {
  for (const char* json :
       {"drive_c/zel/roboter/log/Upgrade_vaxo.json", "drive_c/Upgrade_vaxo.json"}) {
    if (Exists(json)) return Read(json);
  }
  return "";
}

std::string Scratch::Report() const {
  const std::string json = ReportJson();
  return json.empty() ? "" : vaxo::report::ReportShape(json);
}

std::string Scratch::Audit() const {
  const std::string json = ReportJson();
  return json.empty() ? "" : vaxo::report::AuditShape(json);
}

std::string PastRunFields(const std::string& json) {
  nlohmann::ordered_json j = nlohmann::ordered_json::parse(json);
  for (const char* field : {"log", "started", "preview"}) j.erase(field);
  return j.dump(1);
}

}  // namespace vaxo_e2e

namespace vaxo_e2e {

void WriteGeneratedPair(Scratch& s, int files) {
  const std::string os = "old/ZEL/STEU/VAXO/", ns = "new/ROBOTER/ZEL/STEU/VAXO/";
  const std::string o1 = "old/ZEL/R1/VAXO/", n1 = "new/ROBOTER/ZEL/R1/VAXO/";
  for (int i = 0; i < files; ++i) {
    const std::string n = std::to_string(1000 + i);
    std::vector<std::string> old_lines = {"; old " + n}, new_lines = {"; new " + n}, upg;
    for (int v = 0; v < 20; ++v) {
      const std::string var = "$V" + std::to_string(v) + "_" + n;
      old_lines.push_back(var + "=" + std::to_string(v * 7));
      new_lines.push_back(var + "=0");
      upg.push_back(var + "=");
    }
    s.Write(os + "$f" + n + ".dat", Crlf(old_lines));
    s.Write(ns + "$f" + n + ".dat", Crlf(new_lines));
    s.Write(ns + "f" + n + ".upg", Crlf(upg));
    s.Write(o1 + "a" + n + ".servo", Crlf(old_lines));
    s.Write(n1 + "a" + n + ".servo", Crlf(new_lines));
    s.Write(n1 + "a" + n + ".upg", Crlf(upg));
  }
  s.Write(os + "$machine.dat", Crlf({"$A=1"}));
  s.Write(ns + "$machine.dat", Crlf({"$A=0"}));
  s.Write(ns + "machine.upg", Crlf({"$A="}));
  s.Write(o1 + "$machine.dat", Crlf({"$A=1"}));
  s.Write(n1 + "$machine.dat", Crlf({"$A=0"}));
  s.Write(n1 + "machine.upg", Crlf({"$A="}));
}

// Between fork and exec only calls that are safe there.
pid_t Spawn(const Scratch& s, const std::vector<std::string>& argv, const Launch& launch) {
  std::vector<std::string> env_strings = {"VAXO_DRIVE_C=" + s.drive_c().string(),
                                          "HOME=/nonexistent", "PATH=/usr/bin:/bin"};
  std::vector<char*> args, envp;
  std::vector<std::string> arg_strings = argv;
  for (auto& a : arg_strings) args.push_back(&a[0]);
  args.push_back(nullptr);
  for (auto& e : env_strings) envp.push_back(&e[0]);
  envp.push_back(nullptr);
  const std::string dir = s.root().string();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int null_in = open("/dev/null", O_RDONLY), null_out = open("/dev/null", O_WRONLY);
  dup2(null_in, 0);
  dup2(launch.stdout_fd >= 0 ? launch.stdout_fd : null_out, 1);
  dup2(launch.stderr_fd >= 0 ? launch.stderr_fd : null_out, 2);
  signal(SIGPIPE, SIG_DFL);
  signal(SIGXFSZ, SIG_DFL);
  if (launch.file_size_limit >= 0) {
    const struct rlimit limit = {rlim_t(launch.file_size_limit), rlim_t(launch.file_size_limit)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (chdir(dir.c_str()) == 0) execve(args[0], args.data(), envp.data());
  _exit(127);
}

int WaitAtMost(pid_t pid, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status;
}

}  // namespace vaxo_e2e
