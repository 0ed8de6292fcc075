// The unit tests start the process as the program does, so that they run
// with the same floating-point precision.
#include <gtest/gtest.h>

#include "platform/platform.h"

int main(int argc, char** argv) {
  statbench::platform::initializeProcess();
  // Death tests fork: the threadsafe style re-executes the test program,
  // which under a user-mode emulator the machine would run natively.
  GTEST_FLAG_SET(death_test_style, "fast");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
