// The 32-bit Windows program's own _fstat64 (platform/msvcrt_fstat64_win32.cpp):
// where msvcrt has none, its answer must be the one msvcrt's would have been.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/msvcrt_fstat64.h"

namespace {

using statbench::platform::fstat64ThroughFstati64;

TEST(MsvcrtFstat64, OlderFunctionAgreesWithMsvcrtsOwn) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fputs("twelve bytes", file);
  std::fflush(file);
  const int fd = _fileno(file);

  struct _stat64 own {};
  struct _stat64 older {};
  // Through the program's import slot, so msvcrt's own where it has one.
  ASSERT_EQ(_fstat64(fd, &own), 0);
  ASSERT_EQ(fstat64ThroughFstati64(fd, &older), 0);
  std::fclose(file);
  EXPECT_EQ(own.st_size, 12);
  EXPECT_EQ(older.st_size, own.st_size);
  EXPECT_EQ(older.st_mode, own.st_mode);
  EXPECT_EQ(older.st_nlink, own.st_nlink);
  EXPECT_EQ(older.st_dev, own.st_dev);
  EXPECT_EQ(older.st_rdev, own.st_rdev);
  EXPECT_EQ(older.st_mtime, own.st_mtime);
  EXPECT_EQ(older.st_atime, own.st_atime);
  EXPECT_EQ(older.st_ctime, own.st_ctime);
  EXPECT_GT(older.st_mtime, 0);
  EXPECT_EQ(fstat64ThroughFstati64(-1, &older), -1);
}

}  // namespace
