// Makes the next allocation through operator new on this thread fail with
// std::bad_alloc, for as long as a FailNextAllocation lives. The unit-test
// binary replaces the global operator new for this (allocation_failure.cpp);
// unarmed, it allocates as usual.
#pragma once

namespace statbench::testing {

class FailNextAllocation {
 public:
  FailNextAllocation();
  ~FailNextAllocation();
  FailNextAllocation(const FailNextAllocation&) = delete;
  FailNextAllocation& operator=(const FailNextAllocation&) = delete;

  // Whether an allocation was asked for, and so failed, since arming.
  bool happened() const;
};

}  // namespace statbench::testing
