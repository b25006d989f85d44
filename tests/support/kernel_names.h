// The converter families' short names, for test and benchmark reports.
#pragma once
#include "convert/kernels.h"

inline const char* ConverterKernelsName(int kernels) {
  switch (kernels) {
    case kKernelsFastest: return "fastest";
    case kKernelsNone: return "none";
    case kKernelsReference: return "reference";
    case kKernelsMmx: return "mmx";
    case kKernelsSse2: return "sse2";
    case kKernelsAvx2: return "avx2";
    default: return "unknown";
  }
}
