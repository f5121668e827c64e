// Numeric support in one include: heap gate, interactive hooks, dimensioned
// arrays, scalar complex arithmetic, small dense matrices.
#pragma once

#include "numeric/arrays.h"
#include "numeric/complex.h"
#include "numeric/hooks.h"
#include "numeric/matrix.h"
#include "numeric/memory.h"
