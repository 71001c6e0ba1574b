// Pipeline steps whose full work lives with later modules. Every step has its own file now
// (the end trims are in end_trims.cpp); this file is kept empty on purpose.
#include "engine/bar_computation.h"
