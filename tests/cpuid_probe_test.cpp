#include "kernels/cpuid_probe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace statbench {
namespace {

// The probe's decision, over scripted CPUID answers.
struct CpuidScript {
  std::uint32_t highestExtendedLeaf = 0;
  CpuidRegisters extendedFeatures{};
  std::vector<std::uint32_t> leavesAsked;
};
CpuidScript cpu;

CpuidRegisters scriptedCpuid(std::uint32_t leaf) {
  cpu.leavesAsked.push_back(leaf);
  if (leaf == 0x80000000) return {cpu.highestExtendedLeaf, 0x68747541, 0x444D4163, 0x69746E65};
  if (leaf == 0x80000001) return cpu.extendedFeatures;
  ADD_FAILURE() << "asked for leaf " << std::hex << leaf;
  return {};
}

int probe(std::uint32_t highestExtendedLeaf, CpuidRegisters extendedFeatures) {
  cpu = CpuidScript{highestExtendedLeaf, extendedFeatures, {}};
  return has3DNowFrom(scriptedCpuid);
}

TEST(Probe, WithoutTheExtendedFeatureLeafAnswersNoAndNeverAsksForIt) {
  for (const std::uint32_t highest : {0x00000000u, 0x0000000Du, 0x80000000u}) {
    EXPECT_EQ(probe(highest, {0, 0, 0, 0xFFFFFFFF}), 0) << std::hex << highest;
    EXPECT_EQ(cpu.leavesAsked, std::vector<std::uint32_t>{0x80000000}) << std::hex << highest;
  }
}

TEST(Probe, AnAthlonHasIt) {
  // Leaf 0x80000001 of an Athlon XP: 3DNow! (bit 31) and its extensions.
  EXPECT_EQ(probe(0x80000008, {0x00000681, 0, 0, 0xC1C3FBFF}), 1);
  EXPECT_EQ(cpu.leavesAsked, (std::vector<std::uint32_t>{0x80000000, 0x80000001}));
}

TEST(Probe, AModernAmdWithOnlyThePrefetchBitLacksIt) {
  // A Zen processor: 3DNow!-prefetch is ECX bit 8, not the extension.
  EXPECT_EQ(probe(0x80000028, {0x00A20F10, 0x20000000, 0x75C237FF, 0x2FD3FBFF}), 0);
}

TEST(Probe, AnIntelProcessorLacksIt) {
  EXPECT_EQ(probe(0x80000008, {0, 0, 0x00000121, 0x2C100800}), 0);
}

TEST(Probe, OnlyBit31OfEdxCounts) {
  EXPECT_EQ(probe(0x80000001, {0, 0, 0, 0x80000000}), 1);
  EXPECT_EQ(probe(0x80000001, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0x7FFFFFFF}), 0);
  EXPECT_EQ(probe(0x80000001, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}), 1);
}

// Every processor the tests run on, native or emulated, has CPUID: a
// presence test that said otherwise would hide 3DNow! where it is.
TEST(Probe, ThisProcessorHasCpuidAndIsAskedIt) {
  EXPECT_TRUE(hasCpuid());
  EXPECT_EQ(has3DNow(), has3DNowFrom(cpuid));
}

}  // namespace
}  // namespace statbench
