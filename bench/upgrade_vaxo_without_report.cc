// The program without the report it writes at its end, for one measurement
// only: what the report of a run costs in memory, the same run side by side
// with and without it. Not shipped; the program itself has no such switch.
#include "app/tav_c1.h"
#include "platform/env.h"

int main() {
  vaxo::Env::Default();  // first: the backend sets up the process
  vaxo::TAV_C1 form(vaxo::Env::Default());
  form.set_report(false);
  form.Load();
  form.StartUpgrade();
}
