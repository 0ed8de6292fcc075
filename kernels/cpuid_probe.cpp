#include "kernels/cpuid_probe.h"

#include <cpuid.h>

namespace statbench {
namespace {

constexpr std::uint32_t kHighestExtendedLeaf = 0x80000000;
constexpr std::uint32_t kExtendedFeatureLeaf = 0x80000001;
constexpr std::uint32_t k3DNowBit = std::uint32_t{1} << 31;  // EDX of leaf 0x80000001

}  // namespace

CpuidRegisters cpuid(std::uint32_t leaf) {
  CpuidRegisters registers{};
  __cpuid(leaf, registers.eax, registers.ebx, registers.ecx, registers.edx);
  return registers;
}

int has3DNowFrom(CpuidQuery query) {
  if (query(kHighestExtendedLeaf).eax < kExtendedFeatureLeaf) {
    return 0;
  }
  return (query(kExtendedFeatureLeaf).edx & k3DNowBit) != 0 ? 1 : 0;
}

int has3DNow() { return has3DNowFrom(cpuid); }

}  // namespace statbench
