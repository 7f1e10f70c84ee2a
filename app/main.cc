#include "app/tav_c1.h"

int main() { vaxo::Main(); }
