#include "tests/allocation_failure.h"

#include <cstdlib>
#include <new>

namespace {

thread_local bool armed = false;
thread_local bool failed = false;

}  // namespace

namespace statbench::testing {

FailNextAllocation::FailNextAllocation() {
  armed = true;
  failed = false;
}

FailNextAllocation::~FailNextAllocation() { armed = false; }

bool FailNextAllocation::happened() const { return failed; }

}  // namespace statbench::testing

// The replaceable forms that the others (array, nothrow) forward to.
void* operator new(std::size_t size) {
  if (armed) {
    armed = false;
    failed = true;
    throw std::bad_alloc();
  }
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {
    return memory;
  }
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }

void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
