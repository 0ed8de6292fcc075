// The unit tests start the process as the program does, so that they run
// with the same floating-point precision.
#include <gtest/gtest.h>

#include "platform/platform.h"

int main(int argc, char** argv) {
  statbench::platform::initializeProcess();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
