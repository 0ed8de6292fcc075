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

// The ID flag of EFLAGS can be changed only where CPUID exists; every
// x86-64 processor has it, and __get_cpuid_max tests the flag on 32-bit
// builds before it executes CPUID for leaf 0, answering 0 without it (a
// processor that has CPUID names at least leaf 1 there). Without the test
// the probe's first CPUID is an illegal instruction on the Cyrix 6x86,
// which ships with CPUID switched off and which Windows 9x leaves so.
bool hasCpuid() { return __get_cpuid_max(0, nullptr) != 0; }

int has3DNow() { return hasCpuid() ? has3DNowFrom(cpuid) : 0; }

}  // namespace statbench
