// The floor of a run: what the design of a run needs and nothing more, to
// set the whole program against. Per data file it reads the old file, the
// new file and the upg-file and writes the new text to a temporary file,
// flushed and renamed over the new file; per log entry it opens the log,
// appends and closes it. No names matched without regard to case, no
// attributes, no backup set, no report.
//
//   vaxo_floor ROOT LOG ENTRIES BYTES
//
// ROOT holds a generated pair (bench_inputs.h: OLD\ZEL\<pass>\VAXO and
// NEW\ROBOTER\ZEL\<pass>\VAXO); LOG gets ENTRIES entries of BYTES bytes in
// all, spread over the data files as a run spreads them. Built for Linux
// and, on its own with MinGW, for Windows (the calls the Windows program
// makes: CreateFileA, ReadFile, WriteFile, FlushFileBuffers, MoveFileExA).
// Plain C++ and the system's calls only: it stands for no part of the
// program and uses none.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
const char kSep = '\\';

[[noreturn]] void Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "vaxo_floor: %s %s: error %lu\n", what, path.c_str(), GetLastError());
  std::exit(3);
}

std::vector<std::string> UpgNames(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\*.upg").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

std::string Read(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("open", path);
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD got = 0;
  if (!bytes.empty() &&
      (!ReadFile(h, &bytes[0], DWORD(bytes.size()), &got, nullptr) || got != bytes.size()))
    Fail("read", path);
  CloseHandle(h);
  return bytes;
}

void Replace(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp";
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("create", temp);
  DWORD put = 0;
  if (!WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr) || put != bytes.size() ||
      !FlushFileBuffers(h))
    Fail("write", temp);
  CloseHandle(h);
  if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    Fail("rename", temp);
}

void Append(const std::string& path, const char* bytes, size_t n) {
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("open", path);
  DWORD put = 0;
  if (!WriteFile(h, bytes, DWORD(n), &put, nullptr) || put != n) Fail("append", path);
  CloseHandle(h);
}
#else
const char kSep = '/';

[[noreturn]] void Fail(const char* what, const std::string& path) {
  std::perror(("vaxo_floor: " + std::string(what) + " " + path).c_str());
  std::exit(3);
}

std::vector<std::string> UpgNames(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (!d) return names;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".upg") == 0) names.push_back(name);
  }
  closedir(d);
  return names;
}

std::string Read(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("open", path);
  std::string bytes;
  char buf[65536];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) bytes.append(buf, size_t(n));
  if (n < 0) Fail("read", path);
  close(fd);
  return bytes;
}

void Replace(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("create", temp);
  if (write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) || fsync(fd) != 0)
    Fail("write", temp);
  close(fd);
  if (rename(temp.c_str(), path.c_str()) != 0) Fail("rename", temp);
}

void Append(const std::string& path, const char* bytes, size_t n) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) Fail("open", path);
  if (write(fd, bytes, n) != ssize_t(n)) Fail("append", path);
  close(fd);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: vaxo_floor ROOT LOG ENTRIES BYTES\n");
    return 2;
  }
  const std::string root = argv[1], log = argv[2];
  const long entries = std::atol(argv[3]), bytes = std::atol(argv[4]);
  struct Pair {
    std::string old_dir, new_dir, name;
  };
  std::vector<Pair> files;
  for (const char* pass : {"STEU", "R1"}) {
    const std::string tail = std::string(1, kSep) + "ZEL" + kSep + pass + kSep + "VAXO";
    const std::string old_dir = root + kSep + "OLD" + tail;
    const std::string new_dir = root + kSep + "NEW" + kSep + "ROBOTER" + tail;
    for (const std::string& upg : UpgNames(new_dir)) files.push_back({old_dir, new_dir, upg});
  }
  if (files.empty() || entries <= 0) Fail("find", root);
  // Entries of the average size; the last one takes what is left over.
  const std::string entry(size_t(bytes / entries), 'x');
  const std::string last(size_t(bytes - bytes / entries * (entries - 1)), 'x');
  long logged = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const Pair& f = files[i];
    const std::string dat = "$" + f.name.substr(0, f.name.size() - 4) + ".dat";
    const std::string old_text = Read(f.old_dir + kSep + dat);
    const std::string new_text = Read(f.new_dir + kSep + dat);
    const std::string upg_text = Read(f.new_dir + kSep + f.name);
    if (old_text.empty() || upg_text.empty()) Fail("read", f.new_dir + kSep + f.name);
    Replace(f.new_dir + kSep + dat, new_text);
    const long until = i + 1 == files.size() ? entries : entries * long(i + 1) / long(files.size());
    for (; logged < until; ++logged) {
      const std::string& e = logged + 1 == entries ? last : entry;
      Append(log, e.data(), e.size());
    }
  }
  return 0;
}
