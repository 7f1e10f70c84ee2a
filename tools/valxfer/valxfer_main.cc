#include "platform/env.h"
#include "tools/valxfer/valxfer.h"

int main() {
  vaxo::Env* env = vaxo::Env::Default();  // first: the backend sets up the process
  vaxo::ValXferResult result = vaxo::RunValXfer(env->CommandLineTail());
  if (result.exit_code != 0) env->WriteStd(2, result.message + "\n");
  return result.exit_code;
}
