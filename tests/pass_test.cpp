#include "app/pass.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kernels/scalar_kernels.h"

namespace statbench {
namespace {

// One step of a pass as the test saw it: which, how many bytes the pass had
// written to standard output by then, and whether the means were filled.
struct Event {
  std::string what;
  long long bytesWritten;
  bool meansFilled;
};

std::vector<Event> events;
const WorkBuffers* observed = nullptr;

// Standard output is captured to a file while the pass runs; its size shows
// what the pass had written, flushed, at each step.
long long bytesWritten() {
  struct stat file {};
  return fstat(1, &file) == 0 ? static_cast<long long>(file.st_size) : -1;
}

// A quiet NaN no kernel produces: a slot still holding it was never written.
constexpr std::uint32_t kUnwritten = 0x7FD5A5A5;

void record(const char* what) {
  const bool filled =
      std::all_of(std::begin(observed->means), std::end(observed->means),
                  [](float mean) { return std::bit_cast<std::uint32_t>(mean) != kUnwritten; });
  events.push_back({what, bytesWritten(), filled});
}

// A stopwatch whose counter reads are recorded as steps of the pass; its
// elapsed time is 0 at start and 0.25 s at stop.
class RecordingTimer final : public HighResTimer {
 private:
  void restartCounter() override { record("counter restarted"); }
  double secondsSinceRestart() const override {
    record("counter read");
    return events.size() > 2 ? 0.25 : 0.0;
  }
};

void recordingDeviation(const float* minuend, float* out, const float* subtrahend) {
  record("deviation kernel");
  subtractScalar(minuend, out, subtrahend);
}

void recordingSquare(const float* x, float* out) {
  record("square kernel");
  squareScalar(x, out);
}

std::string withoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

TEST(Pass, TimesTheKernelsAndTheStatisticsAndReportsAfterTheStop) {
  static WorkBuffers buffers;
  fillDataSet(buffers.values);
  for (float* buffer : {buffers.means, buffers.deviations, buffers.squares}) {
    std::fill_n(buffer, SAMPLE_COUNT, std::bit_cast<float>(kUnwritten));
  }
  observed = &buffers;
  events.clear();
  RecordingTimer stopwatch;

  ::testing::internal::CaptureStdout();
  runPass(stopwatch, buffers, recordingDeviation, recordingSquare);
  const std::string written = withoutCarriageReturns(::testing::internal::GetCapturedStdout());

  // The interval opens with the counter's restart and closes with the read
  // in stop; the read right after the restart is start's returned reading.
  std::vector<std::string> order;
  for (const Event& event : events) order.push_back(event.what);
  ASSERT_EQ(order, (std::vector<std::string>{"counter restarted", "counter read",
                                             "deviation kernel", "square kernel", "counter read"}));
  const Event& opened = events[0];
  const Event& closed = events[4];
  // fillMean runs inside: not yet at the restart, done before the deviations.
  EXPECT_FALSE(opened.meansFilled);
  EXPECT_TRUE(events[2].meansFilled);
  EXPECT_EQ(opened.bytesWritten, 0);
  // By the read in stop the empty line and the three statistics lines are
  // out, and right: sumValues ran on the squares (still unwritten NaNs
  // before the square kernel) inside the interval. A console's text mode
  // may write each line end as two bytes.
  const std::string statistics =
      "\nAritmatik ortalama:499.85\nVaryans:83308.3\nStandart Sapma:288.632\n";
  const auto lineEnds =
      static_cast<long long>(std::count(statistics.begin(), statistics.end(), '\n'));
  const auto size = static_cast<long long>(statistics.size());
  EXPECT_TRUE(closed.bytesWritten == size || closed.bytesWritten == size + lineEnds)
      << closed.bytesWritten << " bytes written by the stop, expected " << size;
  // The time lines follow the stop and read its sample.
  EXPECT_EQ(written, statistics +
                         "\nSimdiki  sure: 0s\nMinimum  sure: 0.25s\nMaksimum sure: 0.25s\n"
                         "Ortalama sure: 0.25s\n\n");
}

}  // namespace
}  // namespace statbench
