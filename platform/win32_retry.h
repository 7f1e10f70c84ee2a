// Waiting out another program's hold on a file. A virus scanner opens every
// new file for a moment; the controller software may keep a data file open
// a little longer. Their opens make ours fail with a sharing or lock
// violation, or with access denied; the Windows backend tries such a call
// again with a growing pause, about two seconds in all, before the failure
// counts. Windows builds only.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

namespace vaxo {

/// How long a file held by another program is waited for, in all.
constexpr DWORD kHoldWaitMs = 2000;

/// True when `code`, the failure of a call on `path`, may pass once another
/// program lets go of the file. Access denied on a read-only file or a
/// directory is no hold: no waiting changes it.
inline bool HeldByAnother(DWORD code, const std::string& path) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
      code == ERROR_UNABLE_TO_REMOVE_REPLACED)  // ReplaceFileA's word for a held target
    return true;
  if (code != ERROR_ACCESS_DENIED) return false;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

/// Calls `attempt` (true on success, the last error set on failure) until
/// it succeeds, fails for another reason, or the wait is used up; the last
/// error is then that of the last attempt.
template <class Attempt>
bool RetryWhileHeld(const std::string& path, Attempt attempt) {
  DWORD pause = 10, waited = 0;
  for (;;) {
    if (attempt()) return true;
    const DWORD code = ::GetLastError();
    if (waited >= kHoldWaitMs || !HeldByAnother(code, path)) {
      ::SetLastError(code);
      return false;
    }
    ::Sleep(pause);
    waited += pause;
    pause = std::min<DWORD>(pause * 2, 250);
  }
}

/// CreateFileA, waiting out a hold of `path`.
inline HANDLE OpenWhileHeld(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  HANDLE file = INVALID_HANDLE_VALUE;
  RetryWhileHeld(path, [&] {
    file = ::CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  return file;
}

}  // namespace vaxo
