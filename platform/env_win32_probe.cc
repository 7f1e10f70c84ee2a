// Checks the Windows backend of the Env against the real system: run it on
// Windows or under Wine. It works in a fresh directory below the user's
// temporary directory, prints one line per check and "N passed, M failed",
// and ends with exit code 1 when a check failed.
//
// Started as "<program> child <code> [read-stdin] ...", it is the child of
// its own process checks: it writes its program directory, its command-line
// tail and (with read-stdin) the lines of its standard input, joined by "|",
// to "child.txt" in its program directory and ends with <code>.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef RemoveDirectory
#undef ReplaceFile

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/env_contract.h"
#include "platform/letter_case.h"
#include "platform/name_order.h"

namespace vaxo {
namespace {

const char kProbeName[] = "env_win32_probe.exe";

class Probe {
 public:
  explicit Probe(Env* env) : env_(env) {}

  void Check(bool ok, const std::string& what, const std::string& detail = std::string()) {
    (ok ? passed_ : failed_)++;
    std::string line = (ok ? "ok    " : "FAIL  ") + what;
    if (!ok && !detail.empty()) line += ": " + detail;
    env_->WriteStd(1, line + "\n");
  }
  void CheckOk(const Status& s, const std::string& what) { Check(s.ok(), what, s.ToString()); }
  void CheckEq(const std::string& got, const std::string& want, const std::string& what) {
    Check(got == want, what, "got [" + got + "], want [" + want + "]");
  }

  int passed() const { return passed_; }
  int failed() const { return failed_; }

 private:
  Env* env_;
  int passed_ = 0;
  int failed_ = 0;
};

std::string SystemMessageOf(DWORD code) {
  char text[512] = {};
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
  std::string message(text, n);
  while (!message.empty() &&
         (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
    message.pop_back();
  return message;
}

std::string Read(Env* env, const std::string& path) {
  std::string content;
  Status s = env->ReadFile(path, &content);
  return s.ok() ? content : "<" + s.ToString() + ">";
}

/// A message names the operation and the path and gives the system's
/// reason on one line.
bool WellFormed(const Status& s, const std::string& op, const std::string& path) {
  return s.op() == op && s.path() == path && !s.reason().empty() &&
         s.reason().find_first_of("\r\n") == std::string::npos;
}

/// Removes `dir` with everything below it.
void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + "\\" + name;
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
  }
  ::SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryA(dir.c_str());
}

int RunChild(Env* env) {
  std::string tail = env->CommandLineTail();
  size_t at = (" " + tail).find(" child ");
  if (at == std::string::npos) return 99;
  std::string rest = tail.substr(at + 6);
  int code = std::atoi(rest.c_str());
  std::string report = env->ProgramDirectory() + "\n" + tail + "\n";
  if (rest.find("read-stdin") != std::string::npos) {
    std::string line, lines;
    while (env->ReadStdinLine(&line)) lines += (lines.empty() ? "" : "|") + line;
    report += lines;
  }
  if (!env->ReplaceFile(env->ProgramDirectory() + "\\child.txt", report).ok()) return 98;
  return code;
}

// The contract of every backend (env_contract.h), each case in a fresh
// directory that is also the current directory.
void ContractChecks(Env* env, Probe* p, const std::string& root) {
  int n = 0;
  for (const ContractCase& c : ContractCases()) {
    Contract contract;
    contract.env = env;
    contract.root = root + "\\case " + std::to_string(++n);
    ::CreateDirectoryA(contract.root.c_str(), nullptr);
    ::SetCurrentDirectoryA(contract.root.c_str());
    contract.cwd = contract.root;
    contract.make_dir = [](const std::string& path) { ::CreateDirectoryA(path.c_str(), nullptr); };
    contract.set_attributes = [](const std::string& path, uint32_t attributes) {
      return ::SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) !=
             0;
    };
    c.run(contract);
    std::string detail;
    for (const std::string& f : contract.failures) detail += (detail.empty() ? "" : "; ") + f;
    p->Check(contract.failures.empty(), std::string("contract: ") + c.name, detail);
  }
  // Away from the working directory, which is removed at the end.
  ::SetCurrentDirectoryA(root.substr(0, root.find_last_of('\\')).c_str());
}

void ProcessChecks(Env* env, Probe* p, const std::string& root) {
  const std::string self = env->ProgramDirectory() + "\\" + kProbeName;
  p->Check(env->NormalFileExists(self), "the program directory holds the program", self);

  // The child is a copy of this program in the working directory, and one
  // in a directory with blanks beside a decoy that an unquoted command line
  // would start instead.
  const std::string child = root + "\\probe.exe";
  const std::string blank_dir = root + "\\dir with blank";
  const std::string blank_child = blank_dir + "\\probe.exe";
  ::CreateDirectoryA(blank_dir.c_str(), nullptr);
  p->CheckOk(env->CopyFile(self, child), "copy the program");
  p->CheckOk(env->CopyFile(self, blank_child), "copy the program into a directory with blanks");
  p->CheckOk(env->CopyFile(self, root + "\\dir.exe"), "copy the program as a decoy");

  Status start;
  std::string args = "child 7 C:\\x\\$machine.dat | C:\\y\\Vaxo_Value.tmp /DAT";
  int code = env->RunAndWait(child, "\"" + child + "\"  " + args, &start);
  p->CheckOk(start, "run the child");
  p->Check(code == 7, "the child's exit code comes back", std::to_string(code));
  p->CheckEq(Read(env, root + "\\child.txt"), root + "\n" + args + "\n",
             "quoted program name: directory and tail seen by the child");

  // Unquoted, the name ends at the first blank: only comparable when the
  // temporary directory has none.
  if (child.find(' ') == std::string::npos) {
    args = "child 0 a$b|c  d";
    code = env->RunAndWait(child, child + " " + args, &start);
    p->Check(start.ok() && code == 0, "a child ending with 0", start.ToString());
    p->CheckEq(Read(env, root + "\\child.txt"), root + "\n" + args + "\n",
               "unquoted program name: tail seen by the child");
  }

  env->DeleteFile(root + "\\child.txt");
  code = env->RunAndWait(blank_child, blank_child + " child 3 x", &start);
  p->Check(start.ok() && code == 3, "run from a directory with blanks",
           start.ToString() + " code " + std::to_string(code));
  p->CheckEq(Read(env, blank_dir + "\\child.txt"), blank_dir + "\nchild 3 x\n",
             "the program itself ran, not the decoy, and found its arguments after its path");
  p->Check(!env->NormalFileExists(root + "\\child.txt"), "the decoy did not run");

  // Standard input shared with the child.
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (::CreatePipe(&read_end, &write_end, &inherit, 0)) {
    ::SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);
    const char input[] = "one\r\ntwo\n\nthree";
    DWORD written = 0;
    ::WriteFile(write_end, input, sizeof input - 1, &written, nullptr);
    ::CloseHandle(write_end);
    HANDLE saved = ::GetStdHandle(STD_INPUT_HANDLE);
    ::SetStdHandle(STD_INPUT_HANDLE, read_end);
    code = env->RunAndWait(child, child + " child 4 read-stdin", &start);
    ::SetStdHandle(STD_INPUT_HANDLE, saved);
    ::CloseHandle(read_end);
    p->Check(start.ok() && code == 4, "run a child reading standard input", start.ToString());
    p->CheckEq(Read(env, root + "\\child.txt"), root + "\nchild 4 read-stdin\none|two||three",
               "lines of standard input without line ends");
  } else {
    p->Check(false, "make a pipe");
  }

  const std::string nothing = root + "\\no such program.exe";
  code = env->RunAndWait(nothing, nothing + " child 5", &start);
  p->Check(code == 0 && !start.ok() && WellFormed(start, "run", nothing),
           "a missing program: 0 and the reason", start.ToString());
  env->ReplaceFile(root + "\\Alpha.dat", "no program\r\n");
  code = env->RunAndWait(root + "\\Alpha.dat", "Alpha.dat", nullptr);
  p->Check(code == 0, "a file that is no program: 0");
}

// Another program's hold on a file: opened with no sharing now, let go of
// after `ms` milliseconds by a thread of its own.
class Hold {
 public:
  Hold(const std::string& path, DWORD ms) : ms_(ms) {
    file_ = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    thread_ = ::CreateThread(nullptr, 0, &Hold::Release, this, 0, nullptr);
  }
  ~Hold() {
    ::WaitForSingleObject(thread_, INFINITE);
    ::CloseHandle(thread_);
  }
  bool held() const { return file_ != INVALID_HANDLE_VALUE; }

 private:
  static DWORD WINAPI Release(void* self) {
    auto* hold = static_cast<Hold*>(self);
    ::Sleep(hold->ms_);
    ::CloseHandle(hold->file_);
    return 0;
  }
  DWORD ms_;
  HANDLE file_, thread_;
};

// A data file held for a moment (a scanner's look) is waited for by every
// operation that needs its content or its place; one held longer than the
// wait fails with the system's reason, the file unchanged and no temporary
// file left.
void HoldChecks(Env* env, Probe* p, const std::string& root) {
  const std::string dir = root + "\\held";
  ::CreateDirectoryA(dir.c_str(), nullptr);
  const std::string f = dir + "\\$machine.dat", src = dir + "\\src.dat";
  env->ReplaceFile(src, "src");
  struct Op {
    const char* what;
    std::function<Status()> run;
    std::string after;  // the content of f after the operation
  };
  std::string content;
  const Op ops[] = {
      {"read", [&] { return env->ReadFile(f, &content); }, "old"},
      {"replace", [&] { return env->ReplaceFile(f, "new"); }, "new"},
      {"append", [&] { return env->AppendFile(f, "+"); }, "old+"},
      {"copy from", [&] { return env->CopyFile(f, dir + "\\copy.dat"); }, "old"},
      {"copy onto", [&] { return env->CopyFile(src, f); }, "src"},
      {"delete", [&] { return env->DeleteFile(f); }, "<delete>"},
  };
  for (const Op& op : ops) {
    env->ReplaceFile(f, "old");
    Status s;
    {
      Hold hold(f, 300);
      s = op.run();
      p->Check(hold.held(), std::string("hold the file for ") + op.what);
    }
    const std::string after = env->NormalFileExists(f) ? Read(env, f) : "<delete>";
    p->Check(s.ok() && after == op.after,
             std::string("a file held for 0.3 s is waited for: ") + op.what,
             s.ToString() + ", then [" + after + "]");
  }
  for (const Op& op : {ops[1], ops[4], ops[5]}) {
    env->ReplaceFile(f, "old");
    Status s;
    {
      Hold hold(f, 3000);
      s = op.run();
    }
    // Sharing violation or, for a rename onto a held file, access denied.
    const bool held = s.reason() == SystemMessageOf(ERROR_SHARING_VIOLATION) ||
                      s.reason() == SystemMessageOf(ERROR_ACCESS_DENIED);
    p->Check(!s.ok() && held && Read(env, f) == "old",
             std::string("a file held for 3 s stops the wait, unchanged: ") + op.what,
             s.ToString());
  }
  std::vector<DirEntry> entries;
  env->ListDirectory(dir, &entries);
  std::string names;
  for (const DirEntry& e : entries) names += " " + e.name;
  p->Check(entries.size() == 3, "no temporary file is left beside a held file", names);
}

// A path of 259 characters works; one of 260 or more fails at every
// operation with the system's "too long", never as a missing file.
void LongPathChecks(Env* env, Probe* p, const std::string& root) {
  const std::string dir = root + "\\" + std::string(240 - root.size() - 1, 'd');
  ::CreateDirectoryA(dir.c_str(), nullptr);
  const std::string fits = dir + "\\" + std::string(259 - dir.size() - 1 - 4, 'f') + ".dat";
  p->CheckOk(env->ReplaceFile(fits, "x"), "a path of 259 characters can be written");
  p->CheckEq(Read(env, fits), "x", "and read");
  p->CheckOk(env->DeleteFile(fits), "and deleted");
  const std::string too_long = SystemMessageOf(ERROR_FILENAME_EXCED_RANGE);
  for (size_t length : {260, 300}) {
    const std::string path = dir + "\\" + std::string(length - dir.size() - 1, 'f');
    uint32_t attributes = 0;
    uint64_t size = 0;
    std::string content;
    std::vector<DirEntry> entries;
    const Status results[] = {
        env->ReplaceFile(path, "x"),
        env->AppendFile(path, "x"),
        env->ReadFile(path, &content),
        env->GetAttributes(path, &attributes),
        env->SetArchiveOnly(path),
        env->GetFileSize(path, &size),
        env->CopyFile(fits, path),
        env->CopyFile(path, fits),
        env->DeleteFile(path),
        env->ListDirectory(path, &entries),
        env->AppendFileSynced(path, "x"),
        env->SetAttributes(path, kAttrHidden),
        env->CreateDirectory(path),
    };
    std::string wrong;
    for (const Status& s : results)
      if (s.ok() || s.IsNotFound() || s.reason() != too_long) wrong += " [" + s.ToString() + "]";
    p->Check(wrong.empty(), "a path of " + std::to_string(length) + " characters is too long",
             wrong);
  }
  std::vector<DirEntry> entries;
  env->ListDirectory(dir, &entries);
  p->Check(entries.empty(), "nothing was made by the paths too long");
}

int Sign(int x) { return (x > 0) - (x < 0); }

// Compares every pair of `names` with the system's order and the portable
// one; the number that differ in sign, the first few in `*shown`.
long Disagreements(Env* env, const std::vector<std::string>& names, std::string* shown) {
  long differ = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    for (size_t j = i + 1; j < names.size(); ++j) {
      const std::string &a = names[i], &b = names[j];
      if (Sign(env->CompareNames(a, b)) == Sign(CompareNamesWordSort(a, b))) continue;
      if (++differ <= 5) *shown += " [" + a + "] [" + b + "]";
    }
  }
  return differ;
}

void CheckOrder(Env* env, Probe* p, const std::vector<std::string>& names,
                const std::string& what) {
  std::string shown;
  const long differ = Disagreements(env, names, &shown);
  const long pairs = static_cast<long>(names.size()) * (static_cast<long>(names.size()) - 1) / 2;
  p->Check(differ == 0,
           "order of names as the system's: " + std::to_string(pairs) + " pairs of " + what,
           std::to_string(differ) + " differ:" + shown);
}

// Every name of up to `length` characters from `alphabet`.
std::vector<std::string> AllNames(const std::string& alphabet, size_t length) {
  std::vector<std::string> names, last = {""};
  for (size_t n = 1; n <= length; ++n) {
    std::vector<std::string> next;
    for (const std::string& stem : last)
      for (char c : alphabet) next.push_back(stem + c);
    names.insert(names.end(), next.begin(), next.end());
    last = std::move(next);
  }
  return names;
}

// The system's notion of text against the portable one that the Linux
// program and the tests use: the upper case of every byte, and the order
// of the file list over every name of one or two printable ASCII
// characters, over hyphens and apostrophes at every place of short names,
// and over names as data files have them.
void TextChecks(Env* env, Probe* p) {
  std::string printable;
  for (char c = ' '; c <= '~'; ++c) printable += c;
  CheckOrder(env, p, AllNames(printable, 2), "names of one or two printable characters");
  CheckOrder(env, p, AllNames("aB-'", 4), "names of up to four of a, B, - and '");
  CheckOrder(env, p, {"$machine.dat",   "$MACHINE.DAT",     "$machine.data",    "$machine_1.dat",
                      "$machine-1.dat", "$machine1.dat",    "$machine 1.dat",   "$machine(1).dat",
                      "$machine~1.dat", "$machine.dat.bak", "$machine.bak.dat", "$config.dat",
                      "$option.dat",    "$robcor.dat",      "$A_B.DAT",         "$AB.DAT",
                      "$A-B.DAT",       "$A'B.DAT",         "$a_b-c.dat",       "$ab-c.dat",
                      "$_x.dat",        "$-x.dat",          "$custom_io.dat",   "$custom-io.dat",
                      "$customio.dat",  "$rob's.dat",       "$tool data.dat",   "$tool_data.dat",
                      "$tool+data.dat", "$x=1.dat",         "$1.dat",           "$10.dat",
                      "$2.dat",         "$#2.dat",          "$@home.dat",       "$[a].dat",
                      "$a.dat",         "axis1.servo",      "axis10.servo",     "axis2.servo",
                      "AXIS-2.SERVO",   "axis_2.servo",     "axis 2.servo",     "robot.servo",
                      "r1-axis1.servo", "r1_axis1.servo",   "machine.upg",      "Vaxo_Value.dat",
                      "Vaxo_Value.tmp"},
             "data-file names");

  const UINT code_page = ::GetACP();
  env->WriteStd(1, "      code page " + std::to_string(code_page) + "\n");
  if (code_page != 1252) {
    env->WriteStd(1, "      skipped: the upper-case table is code page 1252's\n");
    return;
  }
  std::string all, differ;
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    all += one;
    if (env->UpperCase(one) != UpperCaseCp1252(one)) differ += " " + std::to_string(b);
  }
  p->Check(differ.empty(), "upper case of each of the 256 bytes as code page 1252 has it",
           "differ:" + differ);
  p->Check(env->UpperCase(all) == UpperCaseCp1252(all), "upper case of all 256 bytes in one text");
}

void SurroundingsChecks(Env* env, Probe* p) {
  std::string stamp = env->LocalTimestamp();
  p->Check(!stamp.empty() && stamp.find_first_of("\r\n") == std::string::npos,
           "timestamp on one line", stamp);
  p->Check(stamp.find(' ') != std::string::npos, "timestamp has date and time", stamp);
  env->WriteStd(1, "      timestamp: " + stamp + "\n");
  std::string dir = env->ProgramDirectory();
  p->Check(dir.size() > 2 && dir[1] == ':' && dir.back() != '\\', "program directory", dir);
  p->CheckEq(env->CommandLineTail(), "", "no arguments: empty tail");
  env->ProcessEvents();
  p->Check(true, "event pump returns");
  // However often the pump was asked just before, a message that waits
  // through a pause (a child process waited for) is taken by the next call.
  for (int i = 0; i < 1000; ++i) env->ProcessEvents();
  ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0);
  ::Sleep(100);
  env->ProcessEvents();
  MSG left;
  p->Check(!::PeekMessageA(&left, nullptr, WM_APP, WM_APP, PM_REMOVE),
           "a message that waited through a pause is taken by the next pump");
  p->CheckOk(env->WriteStd(2, ""), "write nothing to standard error");
  env->WriteStd(1, std::string("      standard input/output/error are terminals: ") +
                       (env->IsTerminal(0) ? "y" : "n") + (env->IsTerminal(1) ? "y" : "n") +
                       (env->IsTerminal(2) ? "y" : "n") + "\n");
}

int RunProbe(Env* env) {
  Probe p(env);
  char temp[MAX_PATH + 1] = {};
  ::GetTempPathA(sizeof temp, temp);
  std::string root = temp;
  if (!root.empty() && root.back() == '\\') root.pop_back();
  root += "\\vaxo_probe_" + std::to_string(::GetCurrentProcessId());
  RemoveTree(root);
  if (!::CreateDirectoryA(root.c_str(), nullptr)) {
    env->WriteStd(2, "cannot make " + root + "\n");
    return 2;
  }
  env->WriteStd(1, "      working in " + root + "\n");
  ContractChecks(env, &p, root);
  ProcessChecks(env, &p, root);
  HoldChecks(env, &p, root);
  LongPathChecks(env, &p, root);
  TextChecks(env, &p);
  SurroundingsChecks(env, &p);
  RemoveTree(root);
  p.Check(!env->DirectoryExists(root), "working directory removed");
  env->WriteStd(
      1, std::to_string(p.passed()) + " passed, " + std::to_string(p.failed()) + " failed\n");
  return p.failed() == 0 ? 0 : 1;
}

}  // namespace
}  // namespace vaxo

int main() {
  vaxo::Env* env = vaxo::Env::Default();
  if (!env->CommandLineTail().empty()) return vaxo::RunChild(env);
  return vaxo::RunProbe(env);
}
