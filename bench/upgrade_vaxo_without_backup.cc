// The program without its backup set, for one measurement only: what the
// backup of a run costs, the same run side by side with and without it.
// Not shipped; the program itself has no such switch.
#include "app/tav_c1.h"

int main() {
  vaxo::TAV_C1 form(vaxo::Env::Default());
  form.set_backups(false);
  form.Load();
  form.StartUpgrade();
}
