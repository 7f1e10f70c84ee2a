// The program with its report but without the report's audit of what the
// run leaves behind, for one measurement only: what the audit costs, the
// same run side by side with and without it. Not shipped.
#include "app/tav_c1.h"
#include "report/installation_audit.h"

int main() {
  vaxo::report::LeaveOutAuditForMeasurement();
  vaxo::TAV_C1 form;
  form.Load();
  form.StartUpgrade();
}
