#include <windows.h>

#include <exception>

#include "tests/test_thread.h"

namespace statbench::testing {

struct TestThread::Native {
  std::function<void()> work;
  HANDLE handle = nullptr;
  bool joined = false;
};

namespace {

DWORD WINAPI runWork(void* state) {
  static_cast<TestThread::Native*>(state)->work();
  return 0;
}

}  // namespace

TestThread::TestThread(std::function<void()> work) : native(std::make_unique<Native>()) {
  native->work = std::move(work);
  native->handle = CreateThread(nullptr, 0, runWork, native.get(), 0, nullptr);
  if (native->handle == nullptr) std::terminate();
}

TestThread::~TestThread() {
  if (!native->joined) WaitForSingleObject(native->handle, INFINITE);
  CloseHandle(native->handle);
}

bool TestThread::joinWithin(int milliseconds) {
  native->joined =
      WaitForSingleObject(native->handle, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
  return native->joined;
}

void sleepMilliseconds(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace statbench::testing
