// GoogleTest's Notification for the Windows builds. Their C++ runtime (the
// compilers' win32 thread model) has no std::mutex or std::condition_variable,
// which GoogleTest's own Notification is made of; its Windows build locks
// with the Win32 API otherwise. Notification only starts GoogleTest's own
// helper threads, which these tests never use, so waiting by spinning is
// enough. Included ahead of every source of GoogleTest and of the tests.
#pragma once

#include <atomic>

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!notified.load(std::memory_order_acquire)) {
    }
  }

 private:
  std::atomic<bool> notified{false};
};

}  // namespace testing::internal
