// Stands in for the value-transfer tool in the window tests: takes any
// command line, waits a few seconds and ends with 0, so that the progress
// form can be looked at (and closed) while the run waits for its child.
#include <windows.h>

int main() {
  ::Sleep(3000);
  return 0;
}
