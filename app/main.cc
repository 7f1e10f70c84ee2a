#include "app/tav_c1.h"
#include "platform/env.h"

int main() {
  vaxo::Env::Default();  // first: the backend sets up the process
  vaxo::Main();
}
