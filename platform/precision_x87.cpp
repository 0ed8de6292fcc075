// 32-bit x86 builds do their floating-point arithmetic on the x87 unit. Its
// precision control (bits 8 and 9 of the control word) starts at a 64-bit
// significand under glibc and the MinGW runtime; set to 53 bits, each x87
// result is rounded as SSE2 rounds a double, so the kernels give the same
// bits on every build. The exponent range stays the x87's wider one, which
// matters only for results beyond a double's range.
#include <cstdint>

#include "platform/platform.h"

namespace statbench::platform {
namespace {

constexpr std::uint16_t kPrecisionControl = 0x0300;
constexpr std::uint16_t kDoublePrecision = 0x0200;

}  // namespace

void setDoublePrecision() {
  std::uint16_t control = 0;
  asm volatile("fnstcw %0" : "=m"(control));
  control = static_cast<std::uint16_t>((control & ~kPrecisionControl) | kDoublePrecision);
  asm volatile("fldcw %0" : : "m"(control));
}

}  // namespace statbench::platform
