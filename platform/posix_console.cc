// The program's surroundings on the POSIX backend: the end of the process,
// the local time in the user's regional settings, the program's folder and
// command line in the emulation's drive form, and the console.
#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/env_posix.h"
#include "platform/posix_path.h"
#include "platform/posix_sys.h"

namespace vaxo {

void PosixEnv::DoExitProcess(int code) {
  std::fflush(nullptr);
  std::exit(code);
}

std::string FormatTimestamp(const std::tm& t, const std::string& date_format,
                            const std::string& time_format) {
  const bool midnight = t.tm_hour == 0 && t.tm_min == 0 && t.tm_sec == 0;
  const std::string format = midnight ? date_format : date_format + " " + time_format;
  char buf[256];
  const size_t n = std::strftime(buf, sizeof buf, format.c_str(), &t);
  std::string text(buf, n);
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

std::string PosixEnv::LocalTimestamp() {
  static const bool locale_taken = std::setlocale(LC_TIME, "") != nullptr;
  (void)locale_taken;
  std::string date_format = "%d.%m.%Y", time_format = "%H:%M:%S";
  const char* locale = std::setlocale(LC_TIME, nullptr);
  // The C locales (C, POSIX, C.UTF-8) carry no regional settings of their
  // own; their two-digit year would only lose information.
  const bool plain = !locale || std::strcmp(locale, "POSIX") == 0 ||
                     std::strcmp(locale, "C") == 0 || std::strncmp(locale, "C.", 2) == 0;
  if (!plain) {
    const std::string d = nl_langinfo(D_FMT), t = nl_langinfo(T_FMT);
    if (!d.empty()) date_format = d;
    if (!t.empty()) time_format = t;
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FormatTimestamp(local, date_format, time_format);
}

std::string PosixEnv::SortableLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local);
  return buf;
}

std::string PosixEnv::ProgramDirectory() {
  std::vector<char> buf(4096);
  ssize_t n;
  while ((n = readlink("/proc/self/exe", buf.data(), buf.size())) == ssize_t(buf.size()))
    buf.resize(buf.size() * 2);
  if (n <= 0) return "Z:";
  const std::string dir =
      HostToWindowsPath(HostDirname(std::string(buf.data(), size_t(n))), sys::HomeDirectory());
  return dir == "Z:\\" ? "Z:" : dir;
}

std::string PosixEnv::CommandLineTail() {
  std::string raw;
  const int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) != 0) {
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      raw.append(buf, size_t(n));
    }
    close(fd);
  }
  return PresentCommandLine(JoinArguments(raw), sys::HomeDirectory());
}

std::string PosixEnv::SystemPath(const std::string& text) {
  return PresentPath(text, sys::HomeDirectory());
}

std::string PosixEnv::FullPath(const std::string& path) {
  const WindowsPathParts parts =
      SplitWindowsPath(path, IsRelativeWindowsPath(path) ? sys::CurrentDirectory() : std::string());
  std::string full = std::string(1, parts.drive) + ":";
  for (const std::string& name : parts.names) full += "\\" + name;
  return parts.names.empty() ? full + "\\" : full;
}

Status PosixEnv::WriteStd(int stream, const std::string& bytes) {
  const int fd = stream == 2 ? 2 : 1;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::IOError("write", fd == 2 ? "standard error" : "standard output",
                             std::strerror(errno));
    }
    done += size_t(n);
  }
  return Status::OK();
}

bool PosixEnv::IsTerminal(int stream) { return isatty(stream) == 1; }

bool PosixEnv::ReadStdinLine(std::string* line) {
  std::string text;
  int c;
  bool any = false, ended = false;
  while ((c = std::getc(stdin)) != EOF) {
    any = true;
    if (c == '\n') {
      ended = true;
      break;
    }
    text += char(c);
  }
  if (!any) return false;
  if (ended && !text.empty() && text.back() == '\r') text.pop_back();
  *line = text;
  return true;
}

}  // namespace vaxo
