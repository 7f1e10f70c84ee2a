// Stands in for another program that holds a data file open (the
// controller software, a virus scanner): opens FILE with no sharing, writes
// "held" to standard output, keeps the file MS milliseconds and lets go.
// With WHILE it writes "waiting", waits for the file WHILE to appear, takes
// FILE then, and holds it as long as WHILE exists and MS milliseconds
// after: the end-to-end tests hold a robot data file from the start of the
// shift (the value file appears) until MS after its end (the value file is
// gone).
//
//   wine hold_file.exe FILE MS [WHILE]
//
// Exit code 0 after holding, 1 when FILE could not be opened, 2 when WHILE
// did not appear within a minute.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool Exists(const char* path) { return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: hold_file FILE MS [WHILE]\n");
    return 125;
  }
  const char* file = argv[1];
  const DWORD ms = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
  const char* while_exists = argc == 4 ? argv[3] : nullptr;
  if (while_exists) {
    std::printf("waiting\n");
    std::fflush(stdout);
    int polls = 0;
    while (!Exists(while_exists)) {
      if (++polls > 60000) return 2;
      ::Sleep(1);
    }
  }
  HANDLE held = ::CreateFileA(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold_file: cannot open %s (error %lu)\n", file,
                 static_cast<unsigned long>(::GetLastError()));
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  if (while_exists) {
    while (Exists(while_exists)) ::Sleep(1);
  }
  ::Sleep(ms);
  ::CloseHandle(held);
  return 0;
}
