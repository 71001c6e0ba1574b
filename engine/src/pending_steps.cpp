// Pipeline steps whose full work lives with the profile section and the blade cut points.
// Until those land, each step here succeeds without changing the records; the step that builds
// it replaces its body in this one file.
#include "engine/bar_computation.h"

// ---- PENDING STEP: end trims (blade cuts of the piece ends). Succeeds without changing records.
int BarComputation::ComputeEndTrims() { return 0; }
