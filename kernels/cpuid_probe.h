// Whether this processor has 3DNow!. CPUID is reached through one small
// function; the decision is plain code over its registers, so tests can
// replay the answers of real processors on any machine.
#pragma once

#include <cstdint>

namespace statbench {

struct CpuidRegisters {
  std::uint32_t eax;
  std::uint32_t ebx;
  std::uint32_t ecx;
  std::uint32_t edx;
};

// Runs the CPUID instruction for one leaf.
using CpuidQuery = CpuidRegisters (*)(std::uint32_t leaf);
CpuidRegisters cpuid(std::uint32_t leaf);

// The probe's decision over CPUID's answers: 1 when the highest extended
// leaf reaches 0x80000001 and that leaf sets bit 31 of EDX, else 0. Leaves
// beyond the highest reported one are never asked.
int has3DNowFrom(CpuidQuery query);
// Whether this processor executes CPUID at all.
bool hasCpuid();
// 1 when this processor has 3DNow!, else 0: has3DNowFrom(cpuid) where it
// has CPUID.
int has3DNow();

}  // namespace statbench
