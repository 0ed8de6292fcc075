// 64-bit x86 builds do their floating-point arithmetic with SSE2, whose
// double operations already round to a 53-bit significand.
#include "platform/platform.h"

namespace statbench::platform {

void setDoublePrecision() {}

}  // namespace statbench::platform
