#include "platform/posix_path.h"

#include <algorithm>

#include "base/text.h"
#include "platform/env.h"
#include "platform/letter_case.h"

namespace vaxo {

namespace {

bool HasDrive(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return false;
  const char c = path[0];
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Appends the names of `text` (split at "\" and "/") to `names`.
void ApplyNames(const std::string& text, std::vector<std::string>* names) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\\/", start);
    if (end == std::string::npos) end = text.size();
    const std::string name = text.substr(start, end - start);
    if (name == "..") {
      if (!names->empty()) names->pop_back();
    } else if (!name.empty() && name != ".") {
      names->push_back(name);
    }
    start = end + 1;
  }
}

// A core that the user gave as a host path rather than in drive form.
bool IsHostPath(const std::string& core) {
  if (StartsWith(core, "/") || StartsWith(core, "./") || StartsWith(core, "../") ||
      StartsWith(core, "~/"))
    return true;
  if (core.size() >= 2 && core[1] == ':') return false;
  return core.find('\\') == std::string::npos;
}

}  // namespace

bool IsRelativeWindowsPath(const std::string& path) {
  if (HasDrive(path)) return false;
  return path.empty() || (path[0] != '\\' && path[0] != '/');
}

char WindowsDriveOf(const std::string& path) {
  return HasDrive(path) ? UCase(path.substr(0, 1))[0] : 'Z';
}

WindowsPathParts SplitWindowsPath(const std::string& path, const std::string& cwd) {
  WindowsPathParts parts;
  if (HasDrive(path)) {
    parts.drive = WindowsDriveOf(path);
    ApplyNames(path.substr(2), &parts.names);
  } else if (IsRelativeWindowsPath(path)) {
    ApplyNames(cwd, &parts.names);
    ApplyNames(path, &parts.names);
  } else {
    ApplyNames(path, &parts.names);
  }
  return parts;
}

std::string JoinHost(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string HostDirname(const std::string& host) {
  const size_t slash = host.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : host.substr(0, slash);
}

std::string HostBasename(const std::string& host) {
  const size_t slash = host.rfind('/');
  return slash == std::string::npos ? host : host.substr(slash + 1);
}

bool IsWindowsName(const std::string& name) {
  static const std::string kReserved = "\\/:*?\"<>|";
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32 || kReserved.find(c) != std::string::npos) return false;
  }
  return true;
}

std::vector<std::string> CaseMatches(const std::vector<std::string>& names,
                                     const std::string& wanted) {
  const std::string key = UpperCaseCp1252(wanted);
  std::vector<std::string> matches;
  for (const std::string& name : names) {
    // Upper-casing keeps the length: most names need no upper case made.
    if (name.size() == key.size() && UpperCaseCp1252(name) == key) matches.push_back(name);
  }
  std::sort(matches.begin(), matches.end());
  return matches;
}

uint32_t ParseDosAttrib(const std::string& value) {
  if (value.size() < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X')) return 0;
  uint32_t bits = 0;
  for (size_t i = 2; i < value.size() && i < 10; ++i) {
    const char c = value[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = uint32_t(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = uint32_t(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = uint32_t(c - 'A' + 10);
    } else {
      break;
    }
    bits = bits * 16 + digit;
  }
  return bits & (kAttrHidden | kAttrSystem);
}

std::string FormatDosAttrib(uint32_t attributes) {
  static const char kHex[] = "0123456789abcdef";
  uint32_t bits = attributes & (kAttrHidden | kAttrSystem);
  std::string digits;
  do {
    digits.insert(digits.begin(), kHex[bits % 16]);
    bits /= 16;
  } while (bits != 0);
  return "0x" + digits;
}

std::string HostToWindowsPath(const std::string& host, const std::string& home) {
  std::string path = host;
  if (path == "~" || StartsWith(path, "~/")) {
    std::string base = home;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    const std::string rest = path.substr(1);  // "" or "/..."
    path = base == "/" ? (rest.empty() ? base : rest) : base + rest;
  }
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return StartsWith(path, "\\") ? "Z:" + path : path;
}

std::string PresentPath(const std::string& text, const std::string& home) {
  const size_t begin = text.find_first_not_of(" \"");
  if (begin == std::string::npos) return text;
  const size_t end = text.find_last_not_of(" \"") + 1;
  const std::string core = text.substr(begin, end - begin);
  if (!IsHostPath(core)) return text;
  return text.substr(0, begin) + HostToWindowsPath(core, home) + text.substr(end);
}

std::string PresentCommandLine(const std::string& text, const std::string& home) {
  std::string out;
  size_t start = 0;
  while (true) {
    const size_t bar = text.find('|', start);
    out += PresentPath(text.substr(start, bar - start), home);
    if (bar == std::string::npos) break;
    out += '|';
    start = bar + 1;
  }
  return out;
}

std::string JoinArguments(const std::string& cmdline) {
  std::string tail;
  size_t start = cmdline.find('\0');
  bool first = true;
  while (start != std::string::npos && start + 1 < cmdline.size()) {
    const size_t end = cmdline.find('\0', start + 1);
    if (!first) tail += ' ';
    tail += cmdline.substr(start + 1, end == std::string::npos ? end : end - start - 1);
    first = false;
    start = end;
  }
  return tail;
}

std::string ChildArgument(const std::string& application, const std::string& command_line) {
  std::string rest;
  const size_t n = application.size();
  if (n > 0 && command_line.size() >= n && UCase(command_line.substr(0, n)) == UCase(application) &&
      (command_line.size() == n || command_line[n] == ' ')) {
    rest = command_line.substr(n);
  } else {
    // The program is the first token, as a Windows child would parse it.
    const size_t first = command_line.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    const size_t end = command_line[first] == '"' ? command_line.find('"', first + 1)
                                                  : command_line.find(' ', first);
    if (end == std::string::npos) return std::string();
    rest = command_line.substr(command_line[first] == '"' ? end + 1 : end);
  }
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  return rest;
}

}  // namespace vaxo
