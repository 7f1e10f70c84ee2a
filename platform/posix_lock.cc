// Locks of the POSIX backend: flock on a lock file beside the file the lock
// belongs to. The kernel lets go of a lock when its descriptor is closed,
// also when the process is killed, so a lock is never left behind; the lock
// file stays (taking it away would race with the next run opening it).
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/env_posix.h"
#include "platform/posix_names.h"
#include "platform/posix_sys.h"

namespace vaxo {

namespace {

class PosixLock : public EnvLock {
 public:
  explicit PosixLock(int fd) : fd_(fd) {}
  ~PosixLock() override { close(fd_); }

 private:
  int fd_;
};

}  // namespace

Status PosixEnv::Lock(const std::string& path, int wait_ms, std::unique_ptr<EnvLock>* lock) {
  std::string host;
  Status s = posix::Resolve("lock", path + ".lock", true, &host);
  if (!s.ok()) return s;
  // Close-on-exec: a child (the value-transfer tool) must not hold it on.
  const int fd = sys::Open(host, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return sys::Error("lock", path, errno);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    if (err != EWOULDBLOCK && err != EINTR) {
      close(fd);
      return sys::Error("lock", path, err);
    }
    if (std::chrono::steady_clock::now() >= until) {
      close(fd);
      return Status::Busy("lock", path, "in use by another run");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  lock->reset(new PosixLock(fd));
  return Status::OK();
}

}  // namespace vaxo
