// Starts a program with a command line taken byte for byte from a file and
// ends with the program's exit code. Wine builds the command line of the
// program it starts from its Unix arguments and quotes every argument that
// holds a blank or a quote; the end-to-end tests need the line exactly as a
// Windows shell or shortcut hands it over, quotes and blanks included.
//
//   wine cmdline_launch.exe FILE
//
// FILE holds the whole command line, the program's own name first. The
// child gets this program's standard handles.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cmdline_launch FILE\n");
    return 125;
  }
  std::FILE* in = std::fopen(argv[1], "rb");
  if (!in) {
    std::fprintf(stderr, "cmdline_launch: cannot read %s\n", argv[1]);
    return 125;
  }
  std::string text;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
  std::fclose(in);

  std::vector<char> line(text.begin(), text.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  const DWORD kStd[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE* slots[] = {&startup.hStdInput, &startup.hStdOutput, &startup.hStdError};
  for (int i = 0; i < 3; ++i) {
    HANDLE h = ::GetStdHandle(kStd[i]);
    if (h && h != INVALID_HANDLE_VALUE) ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, 1);
    *slots[i] = h;
  }
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
    std::fprintf(stderr, "cmdline_launch: cannot start (error %lu): %s\n",
                 static_cast<unsigned long>(::GetLastError()), text.c_str());
    return 125;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 125;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
