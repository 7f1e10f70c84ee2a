// The child that the tests of RunAndWait start. It writes the number of
// arguments it got, its program path and its first argument into the file
// named by VAXO_PROBE_OUT, then ends with the code after "exit=" in that
// argument, or is killed by the signal after "signal=". After "raise=" it
// raises that signal as its dispositions stand (ignored, it goes on).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const char* argument = argc > 1 ? argv[1] : "";
  if (const char* out = std::getenv("VAXO_PROBE_OUT")) {
    std::FILE* f = std::fopen(out, "wb");
    if (!f) return 99;
    std::fprintf(f, "%d\n%s\n%s", argc - 1, argv[0], argument);
    std::fclose(f);
  }
  if (const char* sig = std::strstr(argument, "signal=")) {
    const int signo = std::atoi(sig + 7);
    std::signal(signo, SIG_DFL);
    std::raise(signo);
  }
  if (const char* sig = std::strstr(argument, "raise=")) std::raise(std::atoi(sig + 6));
  if (const char* code = std::strstr(argument, "exit=")) return std::atoi(code + 5);
  return 0;
}
