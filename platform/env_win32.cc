// The real Windows backend: every operation is one or a few ANSI (...A)
// calls of the Win32 API. Texts are handed to the system and taken back as
// bytes in the system's code page, never converted. A file that another
// program holds open for a moment is waited for (win32_retry.h).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

// <windows.h> maps these names to their ...A/...W forms; the Env operations
// of the same names must keep theirs.
#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef RemoveDirectory
#undef ReplaceFile

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"
#include "platform/win32_retry.h"

namespace vaxo {

namespace {

/// The system's text for `code`, without the trailing line end.
std::string SystemMessage(DWORD code) {
  char* buffer = nullptr;
  DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  if (text.empty()) text = "system error " + std::to_string(code);
  return text;
}

/// True when the volume that holds `path` is read-only (a CD, a volume
/// mounted read-only), where access denied means the medium, not the file.
bool OnReadOnlyVolume(const std::string& path) {
  char root[MAX_PATH + 1] = {};
  DWORD flags = 0;
  return ::GetVolumePathNameA(path.c_str(), root, sizeof root) &&
         ::GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_READ_ONLY_VOLUME) != 0;
}

/// The failed operation `op` on `path` with the system's reason for `code`.
Status WindowsError(const std::string& op, const std::string& path, DWORD code) {
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
    return Status::NotFound(op, path, SystemMessage(code));
  if (code == ERROR_WRITE_PROTECT || (code == ERROR_ACCESS_DENIED && OnReadOnlyVolume(path)))
    return Status::ReadOnlyMedium(op, path, SystemMessage(code));
  return Status::IOError(op, path, SystemMessage(code));
}

/// Closes a handle when it goes out of scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { Close(); }

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  /// Closes now; false when the system reports a failure (a delayed write).
  bool Close() {
    bool ok = true;
    if (valid()) ok = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

/// Writes all of `bytes` to the open file `file`; the last error on failure.
bool WriteAll(HANDLE file, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return false;
    if (written == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    done += written;
  }
  return true;
}

/// True when `path` fits the ...A calls: fewer than MAX_PATH characters
/// (room for the closing NUL). A longer path fails at once with the
/// system's "too long" reason, whichever operation meets it: never as a
/// missing file, and never half done (some calls would take it, others
/// not).
bool Fits(const std::string& path) {
  if (path.size() < MAX_PATH) return true;
  ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return false;
}

/// The directory part of `path` ("." when it has none), for a temporary
/// file beside it.
std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    return ".";
  }
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

/// Creates an empty, uniquely named file in the directory of `path` and
/// gives its name. A missing directory is reported as such, not as the
/// "directory name invalid" of the system's call.
bool MakeTempBeside(const std::string& path, std::string* temp) {
  char name[MAX_PATH + 1] = {};
  const std::string dir = DirectoryOf(path);
  if (!Fits(dir + "\\vxo0000.tmp")) return false;
  if (::GetTempFileNameA(dir.c_str(), "vxo", 0, name) == 0) {
    if (::GetLastError() == ERROR_DIRECTORY &&
        ::GetFileAttributesA(dir.c_str()) == INVALID_FILE_ATTRIBUTES)
      ::SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  *temp = name;
  return true;
}

/// True for a name MakeTempBeside gives: "vxo", 1 to 4 hex digits, ".tmp",
/// letter case aside.
bool IsTempName(const std::string& name) {
  if (name.size() < 8 || name.size() > 11) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  std::string n;
  for (char c : name) n += lower(c);
  if (n.compare(0, 3, "vxo") != 0 || n.compare(n.size() - 4, 4, ".tmp") != 0) return false;
  for (size_t i = 3; i + 4 < n.size(); ++i)
    if (!((n[i] >= '0' && n[i] <= '9') || (n[i] >= 'a' && n[i] <= 'f'))) return false;
  return true;
}

/// Removes a temporary file whatever its attributes (and a scanner's look
/// at it); keeps the last error.
void RemoveTemp(const std::string& temp) {
  DWORD code = ::GetLastError();
  ::SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  RetryWhileHeld(temp, [&] { return ::DeleteFileA(temp.c_str()) != 0; });
  ::SetLastError(code);
}

/// Puts the finished temporary file in the place of `target`. An existing
/// target is replaced with ReplaceFileA, which keeps its identity and
/// attributes; a new target, or a volume where ReplaceFileA is not
/// supported, gets a rename. Either way a reader sees the old or the new
/// content, never a mix.
// The path of an existing file with its name spelt as on disk: a file
// written over keeps its name, as when it is rewritten in place ("$machine.dat"
// stays so when "$MACHINE.DAT" is written); a rename or ReplaceFileA would
// give it the spelling of the call. The name found must be the long name
// itself, not a short name that matches.
std::string OnDiskSpelling(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return path;
  ::FindClose(search);
  const size_t slash = path.find_last_of("\\/:");
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = path.substr(dir.size());
  if (::lstrcmpiA(found.cFileName, name.c_str()) != 0) return path;
  return dir + found.cFileName;
}

// True when `path` may be replaced now: opened for deletion with every
// sharing, as a replacement opens it. Wine's ReplaceFileA first moves the
// target aside into a file of its own and leaves that file behind when the
// target is held, so a hold is looked for before.
bool FreeToReplace(const std::string& path) {
  HANDLE file =
      ::CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

bool CommitTemp(const std::string& temp, const std::string& given_target,
                bool keep_target_identity) {
  const std::string target = OnDiskSpelling(given_target);
  const DWORD move_flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (keep_target_identity && ::GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (!FreeToReplace(target)) return false;
    if (::ReplaceFileA(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                       nullptr, nullptr))
      return true;
    DWORD code = ::GetLastError();
    // Nothing changed on these; anything else is worth a rename.
    if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
        code == ERROR_UNABLE_TO_REMOVE_REPLACED)
      return false;
    if (::MoveFileExA(temp.c_str(), target.c_str(), move_flags)) return true;
    // A hold on the temporary file (a scanner's look) is worth waiting for.
    if (code == ERROR_SUCCESS || HeldByAnother(::GetLastError(), temp)) return false;
    ::SetLastError(code);
    return false;
  }
  return ::MoveFileExA(temp.c_str(), target.c_str(), move_flags) != 0;
}

/// `path` without the prefix "\\?\" of the system's full form: a drive
/// path as the ...A calls take it, "\\server\share\..." for a share.
std::string WithoutLongPrefix(const std::string& path) {
  if (path.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\\\" + path.substr(8);
  if (path.compare(0, 4, "\\\\?\\") == 0) return path.substr(4);
  return path;
}

/// The path of the file `path` leads to, for the calls that would act on a
/// symbolic link itself rather than on its target: a rename over it, a
/// temporary file beside it. A link stays a link, and its target, which may
/// lie in another folder or on another volume, gets the new content. Under
/// Wine a link on the host shows as a plain file (no reparse-point bit), so
/// a link is known by where the opened file really lies. `path` itself when
/// the file is missing or lies where it is named; false (the system's
/// reason in the last error) when it lies at a path too long to use.
bool ThroughLinks(const std::string& path, std::string* final_path) {
  *final_path = path;
  ScopedHandle file(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return true;
  char buffer[MAX_PATH + 8] = {};
  const DWORD length = ::GetFinalPathNameByHandleA(file.get(), buffer, sizeof buffer,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  char full[MAX_PATH + 1] = {};
  const DWORD full_length = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length == 0 || full_length == 0 || full_length >= sizeof full) return true;
  if (length >= sizeof buffer) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  const std::string target = WithoutLongPrefix(std::string(buffer, length));
  if (::lstrcmpiA(target.c_str(), full) == 0) return true;
  if (!Fits(target)) return false;
  *final_path = target;
  return true;
}

/// `text` upper-cased by the system, byte for byte.
std::string SystemUpper(std::string text) {
  if (!text.empty()) ::CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

/// A folder with case sensitivity switched on (and a host folder under
/// Wine) can hold two names that differ only in letter case, and a call
/// would take one of them by the spelling it asks for. Neither is the
/// answer: an operation on such a name fails naming them all, in byte
/// order, as the emulation's does. The pairs are found in the folder's
/// listing: the run's own (ListDirectory), else one made at the first
/// operation in the folder. A further search at each operation would cost
/// more than the operation in a folder of thousands of files, and under
/// Wine even a look at the folder's time costs a search; so a folder's
/// pairs are the ones of its latest listing in this process.
class CaseTwins {
 public:
  /// Notes the pairs among `entries`, the listing of the folder `dir`.
  void Listed(const std::string& dir, const std::vector<DirEntry>& entries) {
    std::map<std::string, std::vector<std::string>> names, twins;
    for (const DirEntry& e : entries) names[SystemUpper(e.name)].push_back(e.name);
    for (auto& n : names) {
      if (n.second.size() < 2) continue;
      std::sort(n.second.begin(), n.second.end());
      twins.insert(std::move(n));
    }
    std::lock_guard<std::mutex> hold(mu_);
    folders_[FolderKey(dir)] = std::move(twins);
  }

  /// Fails the operation `op` on `path` when its name has a twin.
  Status Check(const char* op, const std::string& path) {
    const size_t slash = path.find_last_of("\\/:");
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = path.substr(dir.size());
    if (name.empty() || name == "." || name == "..") return Status::OK();
    const std::string key = FolderKey(dir);
    std::unique_lock<std::mutex> hold(mu_);
    if (folders_.find(key) == folders_.end()) {
      hold.unlock();
      std::vector<DirEntry> entries;
      WIN32_FIND_DATAA data;
      HANDLE search = ::FindFirstFileA((dir + "*").c_str(), &data);
      if (search == INVALID_HANDLE_VALUE) return Status::OK();  // the operation says why
      do {
        entries.push_back({data.cFileName, 0});
      } while (::FindNextFileA(search, &data));
      ::FindClose(search);
      Listed(dir, entries);
      hold.lock();
    }
    const auto& twins = folders_[key];
    const auto found = twins.find(SystemUpper(name));
    if (found == twins.end()) return Status::OK();
    const std::vector<std::string>& names = found->second;
    std::string reason = (names.size() == 2 ? std::string("two") : std::to_string(names.size())) +
                         " names differ only in letter case:";
    for (size_t i = 0; i < names.size(); ++i) reason += (i ? ", " : " ") + names[i];
    return Status::Ambiguous(op, path, reason);
  }

 private:
  /// The folder with a separator at its end, in upper case.
  static std::string FolderKey(const std::string& dir) {
    std::string key = SystemUpper(dir);
    if (!key.empty() && key.back() != '\\' && key.back() != '/' && key.back() != ':') key += '\\';
    return key;
  }

  std::mutex mu_;
  std::map<std::string, std::map<std::string, std::vector<std::string>>> folders_;
};

/// Refuses to write over a read-only file or a directory, as Windows does,
/// before any temporary file is made. Checked here rather than left to the
/// system: under Wine run as root the read-only attribute does not stop a
/// write.
bool TargetWritable(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // a new file
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

/// A named mutex held by this thread; released and closed when destroyed
/// (the system releases it, abandoned, when the process ends first).
class MutexLock : public EnvLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
  ~MutexLock() override {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

/// The mutex name that stands for `path`: the same for every spelling of
/// the path in letter case, without the "\" a name may not hold, in the
/// namespace of the whole machine (all sessions), else of this session.
std::string MutexName(const std::string& path, bool global) {
  std::string name = global ? "Global\\UpgradeVaxo:" : "Local\\UpgradeVaxo:";
  std::string key = path;
  if (!key.empty()) ::CharUpperBuffA(&key[0], static_cast<DWORD>(key.size()));
  for (char& c : key)
    if (c == '\\') c = '/';
  if (key.size() > 200) {  // names are limited; a long path is known by its hash
    unsigned long long h = 1469598103934665603ull;
    for (unsigned char c : key) h = (h ^ c) * 1099511628211ull;
    key = key.substr(0, 100) + ":" + std::to_string(h);
  }
  return name + key;
}

/// A replacement's pieces go to a temporary file in the target's directory,
/// which is flushed to disk and then put in the target's place; on any
/// failure the temporary file is removed and the target keeps its old
/// content.
class TempReplacement : public ReplacementFile {
 public:
  /// `path` as the caller names it; `target` the file it really is (a
  /// link's target), which gets the bytes.
  TempReplacement(std::string path, std::string target, std::string temp, HANDLE file,
                  DWORD old_attributes)
      : path_(std::move(path)),
        target_(std::move(target)),
        temp_(std::move(temp)),
        file_(file),
        old_attributes_(old_attributes) {}
  ~TempReplacement() override {
    if (!done_) {
      file_.Close();
      RemoveTemp(temp_);
    }
  }

  Status Append(std::string_view bytes) override {
    if (done_) return Finished();
    return WriteAll(file_.get(), bytes) ? Status::OK() : Fail();
  }

  Status Commit() override {
    if (done_) return Finished();
    bool ok = ::FlushFileBuffers(file_.get()) != 0;
    const DWORD code = ::GetLastError();
    ok = file_.Close() && ok;
    if (!ok) ::SetLastError(code);
    if (ok) ok = RetryWhileHeld(target_, [&] { return CommitTemp(temp_, target_, true); });
    if (!ok) return Fail();
    done_ = true;
    // ReplaceFileA keeps hidden and system on Windows; Wine's and the
    // rename fallback lose them.
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (old_attributes_ != INVALID_FILE_ATTRIBUTES && (old_attributes_ & kept)) {
      DWORD now = ::GetFileAttributesA(target_.c_str());
      if (now != INVALID_FILE_ATTRIBUTES && (now & kept) != (old_attributes_ & kept))
        ::SetFileAttributesA(target_.c_str(),
                             (now & ~FILE_ATTRIBUTE_NORMAL) | (old_attributes_ & kept));
    }
    return Status::OK();
  }

 private:
  // The failure of the last call, and nothing more is taken.
  Status Fail() {
    const DWORD code = ::GetLastError();
    file_.Close();
    RemoveTemp(temp_);
    done_ = true;
    failed_ = WindowsError("replace", path_, code);
    return failed_;
  }
  Status Finished() const {
    return failed_.ok() ? Status::IOError("replace", path_, "written already") : failed_;
  }

  std::string path_, target_, temp_;
  ScopedHandle file_;
  DWORD old_attributes_;
  bool done_ = false;
  Status failed_;
};

/// The event ID of a stopped run: its exit code.
constexpr DWORD kStoppedRunEvent = 3;

HANDLE StdHandle(int stream) {
  DWORD which = stream == 0 ? STD_INPUT_HANDLE : stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
  return ::GetStdHandle(which);
}

class WindowsEnv : public Env {
 public:
  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override {
    entries->clear();
    if (!Fits(dir)) return WindowsError("list", dir, ::GetLastError());
    if (Status twins = twins_.Check("list", dir); !twins.ok()) return twins;
    DWORD attributes = ::GetFileAttributesA(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return WindowsError("list", dir, ::GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return Status::IOError("list", dir, SystemMessage(ERROR_DIRECTORY));
    std::string pattern = dir;
    if (pattern.empty() || (pattern.back() != '\\' && pattern.back() != '/')) pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
      DWORD code = ::GetLastError();
      // A drive's root directory has no "." and ".." and may be empty.
      if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) return Status::OK();
      return WindowsError("list", dir, code);
    }
    DWORD code = 0;
    for (;;) {
      std::string name = data.cFileName;
      if (name != "." && name != "..")
        entries->push_back({name, static_cast<uint32_t>(data.dwFileAttributes)});
      if (!::FindNextFileA(find, &data)) {
        code = ::GetLastError();
        break;
      }
    }
    ::FindClose(find);
    if (code != ERROR_NO_MORE_FILES) {
      entries->clear();
      return WindowsError("list", dir, code);
    }
    twins_.Listed(dir, *entries);
    return Status::OK();
  }

  Status GetAttributes(const std::string& path, uint32_t* attributes) override {
    if (!Fits(path)) return WindowsError("attributes", path, ::GetLastError());
    if (Status twins = twins_.Check("attributes", path); !twins.ok()) return twins;
    DWORD value = ::GetFileAttributesA(path.c_str());
    if (value == INVALID_FILE_ATTRIBUTES) return WindowsError("attributes", path, ::GetLastError());
    *attributes = static_cast<uint32_t>(value);
    return Status::OK();
  }

  // The directory bit cannot be set or cleared this way, and Windows does
  // not take the archive bit as meaningful for a directory: a directory
  // gets FILE_ATTRIBUTE_NORMAL, which clears read-only, hidden and system
  // and leaves it a plain directory.
  Status SetArchiveOnly(const std::string& path) override {
    if (!Fits(path)) return WindowsError("set-attributes", path, ::GetLastError());
    if (Status twins = twins_.Check("set-attributes", path); !twins.ok()) return twins;
    DWORD value = ::GetFileAttributesA(path.c_str());
    if (value == INVALID_FILE_ATTRIBUTES)
      return WindowsError("set-attributes", path, ::GetLastError());
    DWORD wanted =
        (value & FILE_ATTRIBUTE_DIRECTORY) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_ARCHIVE;
    if (!::SetFileAttributesA(path.c_str(), wanted))
      return WindowsError("set-attributes", path, ::GetLastError());
    return Status::OK();
  }

  Status SetAttributes(const std::string& path, uint32_t attributes) override {
    if (!Fits(path)) return WindowsError("set-attributes", path, ::GetLastError());
    if (Status twins = twins_.Check("set-attributes", path); !twins.ok()) return twins;
    DWORD wanted = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileAttributesA(path.c_str(), wanted))
      return WindowsError("set-attributes", path, ::GetLastError());
    return Status::OK();
  }

  Status CreateDirectory(const std::string& path) override {
    if (!Fits(path)) return WindowsError("mkdir", path, ::GetLastError());
    if (Status twins = twins_.Check("mkdir", path); !twins.ok()) return twins;
    if (::CreateDirectoryA(path.c_str(), nullptr)) return Status::OK();
    const DWORD code = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (code == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return Status::OK();
    return WindowsError("mkdir", path, code);
  }

  Status GetFileSize(const std::string& path, uint64_t* size) override {
    if (!Fits(path)) return WindowsError("size", path, ::GetLastError());
    if (Status twins = twins_.Check("size", path); !twins.ok()) return twins;
    ScopedHandle file(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return WindowsError("size", path, ::GetLastError());
    LARGE_INTEGER value;
    if (!::GetFileSizeEx(file.get(), &value)) return WindowsError("size", path, ::GetLastError());
    *size = static_cast<uint64_t>(value.QuadPart);
    return Status::OK();
  }

  Status ReadFile(const std::string& path, std::string* content) override {
    if (!Fits(path)) return WindowsError("read", path, ::GetLastError());
    if (Status twins = twins_.Check("read", path); !twins.ok()) return twins;
    ScopedHandle file(OpenWhileHeld(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    if (!file.valid()) return WindowsError("read", path, ::GetLastError());
    // Only a file on disk is read: a device (CON, a pipe) would wait.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
      return Status::IOError("read", path, "not a regular file");
    std::string bytes;
    LARGE_INTEGER size;
    if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0)
      bytes.reserve(static_cast<size_t>(size.QuadPart));
    // Read until the end rather than trusting the size: the file may grow.
    char buffer[64 * 1024];
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
        return WindowsError("read", path, ::GetLastError());
      if (got == 0) break;
      bytes.append(buffer, got);
    }
    *content = std::move(bytes);
    return Status::OK();
  }

  Status ReplaceFile(const std::string& path, const std::string& content) override {
    std::unique_ptr<ReplacementFile> file;
    Status s = NewReplacement(path, &file);
    if (s.ok()) s = file->Append(content);
    if (s.ok()) s = file->Commit();
    return s;
  }

  Status NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) override {
    file->reset();
    if (!Fits(path) || !TargetWritable(path))
      return WindowsError("replace", path, ::GetLastError());
    if (Status twins = twins_.Check("replace", path); !twins.ok()) return twins;
    std::string target;
    if (!ThroughLinks(path, &target)) return WindowsError("replace", path, ::GetLastError());
    std::string temp;
    if (!MakeTempBeside(target, &temp)) return WindowsError("replace", path, ::GetLastError());
    const DWORD old_attributes = ::GetFileAttributesA(path.c_str());
    HANDLE handle = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      RemoveTemp(temp);
      return WindowsError("replace", path, ::GetLastError());
    }
    *file = std::make_unique<TempReplacement>(path, target, temp, handle, old_attributes);
    return Status::OK();
  }

  Status AppendFile(const std::string& path, const std::string& content) override {
    return Append(path, content, false);
  }

  Status AppendFileSynced(const std::string& path, const std::string& content) override {
    return Append(path, content, true);
  }

  Status Append(const std::string& path, const std::string& content, bool sync) {
    if (!Fits(path) || !TargetWritable(path)) return WindowsError("append", path, ::GetLastError());
    if (Status twins = twins_.Check("append", path); !twins.ok()) return twins;
    ScopedHandle file(OpenWhileHeld(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS));
    if (!file.valid()) return WindowsError("append", path, ::GetLastError());
    if (!WriteAll(file.get(), content)) return WindowsError("append", path, ::GetLastError());
    if (sync && !::FlushFileBuffers(file.get()))
      return WindowsError("append", path, ::GetLastError());
    if (!file.Close()) return WindowsError("append", path, ::GetLastError());
    return Status::OK();
  }

  // CopyFileA writes into the destination in place; it copies into a
  // temporary file beside the destination instead, which is then renamed
  // over it, so the destination never holds half a copy. The copy keeps
  // the source's attributes, as CopyFileA does onto a new file (onto the
  // temporary file it would not).
  Status CopyFile(const std::string& src, const std::string& dst) override {
    if (!Fits(src)) return WindowsError("copy", src, ::GetLastError());
    if (!Fits(dst)) return WindowsError("copy", dst, ::GetLastError());
    if (Status twins = twins_.Check("copy", src); !twins.ok()) return twins;
    if (Status twins = twins_.Check("copy", dst); !twins.ok()) return twins;
    const DWORD source_attributes = ::GetFileAttributesA(src.c_str());
    if (source_attributes == INVALID_FILE_ATTRIBUTES)
      return WindowsError("copy", src, ::GetLastError());
    if (!TargetWritable(dst)) return WindowsError("copy", dst, ::GetLastError());
    std::string target;
    if (!ThroughLinks(dst, &target)) return WindowsError("copy", dst, ::GetLastError());
    std::string temp;
    if (!MakeTempBeside(target, &temp)) return WindowsError("copy", dst, ::GetLastError());
    if (!RetryWhileHeld(src, [&] { return ::CopyFileA(src.c_str(), temp.c_str(), FALSE) != 0; })) {
      RemoveTemp(temp);
      return WindowsError("copy", src, ::GetLastError());
    }
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((source_attributes & kept) != 0)
      ::SetFileAttributesA(temp.c_str(), source_attributes & (kept | FILE_ATTRIBUTE_ARCHIVE));
    if (!RetryWhileHeld(target, [&] { return CommitTemp(temp, target, false); })) {
      RemoveTemp(temp);
      return WindowsError("copy", dst, ::GetLastError());
    }
    return Status::OK();
  }

  Status DeleteFile(const std::string& path) override {
    if (!Fits(path)) return WindowsError("delete", path, ::GetLastError());
    if (Status twins = twins_.Check("delete", path); !twins.ok()) return twins;
    if (!RetryWhileHeld(path, [&] { return ::DeleteFileA(path.c_str()) != 0; }))
      return WindowsError("delete", path, ::GetLastError());
    return Status::OK();
  }

  Status RemoveDirectory(const std::string& path) override {
    if (!Fits(path)) return WindowsError("rmdir", path, ::GetLastError());
    if (!RetryWhileHeld(path, [&] { return ::RemoveDirectoryA(path.c_str()) != 0; }))
      return WindowsError("rmdir", path, ::GetLastError());
    return Status::OK();
  }

  // MakeTempBeside's names: "vxo", one to four hex digits, ".tmp". They do
  // not name their target, so every such file in the folder goes.
  Status RemoveStrayTemporaries(const std::string& path,
                                std::vector<std::string>* removed) override {
    const std::string dir = DirectoryOf(path);
    const std::string prefix = dir.back() == '\\' ? dir : dir + "\\";
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((prefix + "vxo*.tmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return Status::OK();  // none, or no folder
    std::vector<std::string> names;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsTempName(found.cFileName))
        names.push_back(found.cFileName);
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    for (const std::string& name : names) {
      const std::string temp = prefix + name;
      ::SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!RetryWhileHeld(temp, [&] { return ::DeleteFileA(temp.c_str()) != 0; }))
        return WindowsError("delete", temp, ::GetLastError());
      removed->push_back(temp);
    }
    return Status::OK();
  }

  // An abandoned mutex (its holder ended without letting go) is taken like
  // a free one: the run that held it is over.
  Status Lock(const std::string& path, int wait_ms, std::unique_ptr<EnvLock>* lock) override {
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, MutexName(path, true).c_str());
    if (mutex == nullptr) mutex = ::CreateMutexA(nullptr, FALSE, MutexName(path, false).c_str());
    if (mutex == nullptr) return WindowsError("lock", path, ::GetLastError());
    const DWORD waited = ::WaitForSingleObject(mutex, static_cast<DWORD>(wait_ms));
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      lock->reset(new MutexLock(mutex));
      return Status::OK();
    }
    const DWORD code = ::GetLastError();
    ::CloseHandle(mutex);
    if (waited == WAIT_TIMEOUT) return Status::Busy("lock", path, "in use by another run");
    return WindowsError("lock", path, code);
  }

  // The program's full path goes in as the application name, so Windows
  // never guesses the program from the blanks of an unquoted command line
  // ("C:\Program.exe" for "C:\Program Files\..."). The command line is
  // handed over as it is; CreateProcessA may write into its copy.
  int RunAndWait(const std::string& application, const std::string& command_line,
                 Status* start_error) override {
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    STARTUPINFOA startup;
    ::ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ::ZeroMemory(&process, sizeof process);
    if (!::CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, TRUE,
                          NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)) {
      if (start_error) *start_error = WindowsError("run", application, ::GetLastError());
      return 0;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (!::GetExitCodeProcess(process.hProcess, &code)) code = 0;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    if (start_error) *start_error = Status::OK();
    return static_cast<int>(code);
  }

  void DoExitProcess(int code) override { ::ExitProcess(static_cast<UINT>(code)); }

  std::string LocalTimestamp() override {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char date[128] = {};
    if (::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof date) ==
        0)
      date[0] = '\0';
    if (now.wHour == 0 && now.wMinute == 0 && now.wSecond == 0) return date;
    char time[128] = {};
    if (::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, sizeof time) == 0)
      time[0] = '\0';
    return std::string(date) + " " + time;
  }

  std::string SortableLocalTime() override {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char text[32];
    ::wsprintfA(text, "%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
    return text;
  }

  std::string FullPath(const std::string& path) override {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
      const DWORD length = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
      if (length == 0) return path;  // no full form: the path as given
      if (length < buffer.size()) return std::string(buffer.data(), length);
      buffer.resize(length + 1);
    }
  }

  std::string ProgramDirectory() override {
    const std::string path = ProgramPath();
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
  }

  /// The full path of the program's own executable.
  static std::string ProgramPath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
      DWORD length =
          ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length == 0) return std::string();
      if (length < buffer.size()) return std::string(buffer.data(), length);
      buffer.resize(buffer.size() * 2);  // truncated: try again with more room
    }
  }

  // The program's own name is its full path as the system gives it, when
  // the command line starts with that (compared without regard to case):
  // a program started with an unquoted path holding blanks, as the value
  // transfer is, finds its arguments after it. Otherwise the name ends at
  // its closing quote when it is quoted, else at the first blank. The
  // blanks after it are not part of the tail.
  std::string CommandLineTail() override {
    const char* line = ::GetCommandLineA();
    std::string text = line ? line : "";
    std::string self = ProgramPath();
    std::string start = text.substr(0, self.size());
    if (!self.empty()) ::CharUpperBuffA(&self[0], static_cast<DWORD>(self.size()));
    if (!start.empty()) ::CharUpperBuffA(&start[0], static_cast<DWORD>(start.size()));
    size_t i = 0;
    if (!self.empty() && start == self &&
        (text.size() == self.size() || text[self.size()] == ' ' || text[self.size()] == '\t')) {
      i = self.size();
    } else if (!text.empty() && text[0] == '"') {
      size_t close = text.find('"', 1);
      i = close == std::string::npos ? text.size() : close + 1;
    }
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    return text.substr(i);
  }

  // In place, byte for byte: the system's code page keeps every text's
  // length.
  std::string UpperCase(const std::string& text) override {
    std::string upper = text;
    if (!upper.empty()) ::CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    return upper;
  }

  // The comparison of the system's file list. Should the call fail, the
  // portable order stands in.
  int CompareNames(const std::string& a, const std::string& b) override {
    const int result =
        ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                         b.data(), static_cast<int>(b.size()));
    if (result == 0) return Env::CompareNames(a, b);
    return result - CSTR_EQUAL;
  }

  // No message file is registered for the source: the event viewer shows
  // the text after its note that the description was not found.
  void ReportError(const std::string& text) override {
    HANDLE source = ::RegisterEventSourceA(nullptr, "Upgrade Vaxo");
    if (source == nullptr) return;
    const char* strings[] = {text.c_str()};
    ::ReportEventA(source, EVENTLOG_ERROR_TYPE, 0, kStoppedRunEvent, nullptr, 1, 0, strings,
                   nullptr);
    ::DeregisterEventSource(source);
  }

  // The engine asks once per rule, thousands of times a second. Under Wine
  // each look at the queue is a request to the server, and one that finds
  // nothing gives the processor away; so the queue is looked at again only
  // when a repaint would show, and always after a pause (a child process
  // waited for): a close asked for meanwhile is seen at the next call.
  void ProcessEvents() override {
    const ULONGLONG now = ::GetTickCount64();
    if (pumped_ && now - last_pump_ < kPumpEveryMs) return;
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    pumped_ = true;
    last_pump_ = ::GetTickCount64();
  }

  // A windowed program started without a console has no standard output:
  // what it writes there is dropped, as nobody could see it.
  Status WriteStd(int stream, const std::string& bytes) override {
    const char* name = stream == 1 ? "standard output" : "standard error";
    HANDLE handle = StdHandle(stream == 1 ? 1 : 2);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return Status::OK();
    if (!WriteAll(handle, bytes)) return WindowsError("write", name, ::GetLastError());
    return Status::OK();
  }

  bool IsTerminal(int stream) override {
    HANDLE handle = StdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    // NUL is a character device too; only a console has a console mode.
    DWORD mode = 0;
    return ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &mode);
  }

  // Reads byte by byte, so that nothing after the line is taken from a
  // standard input that a child process shares.
  bool ReadStdinLine(std::string* line) override {
    line->clear();
    HANDLE handle = StdHandle(0);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    bool got_any = false;
    for (;;) {
      char c = 0;
      DWORD got = 0;
      if (!::ReadFile(handle, &c, 1, &got, nullptr) || got == 0) break;
      got_any = true;
      if (c == '\n') break;
      line->push_back(c);
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return got_any;
  }

 private:
  /// The least time between two looks at the event queue.
  static constexpr ULONGLONG kPumpEveryMs = 20;

  CaseTwins twins_;
  bool pumped_ = false;
  ULONGLONG last_pump_ = 0;
};

}  // namespace

Env* Env::Default() {
  if (Env* installed = Installed()) return installed;
  static Env* const env = new WindowsEnv;  // never deleted
  return env;
}

}  // namespace vaxo
