// A one-line progress bar on standard error, for long runs on a terminal.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace lipimattam {

// What a bar shows: files and bytes done of all, the rate, and the time left.
struct ProgressFigures {
  std::size_t files_done = 0;
  std::size_t files = 0;
  std::uint64_t bytes_done = 0;
  std::uint64_t bytes = 0;
  double seconds = 0;  // since the work began
};

// The bar's line for a terminal `width` columns wide, never wider than width - 1.
[[nodiscard]] std::string ProgressLine(const ProgressFigures& figures, std::size_t width);

// Whether a run of `files` files of `bytes` bytes in all gets a bar: standard error is a
// terminal, the user did not ask for quiet, and the work is long (more than one file, or over
// 50 MB).
[[nodiscard]] bool WantsProgressBar(bool quiet, std::size_t files, std::uint64_t bytes);

// Redraws the bar at most ten times a second, on its own thread, until it is destroyed; then
// erases it. Messages go through Print, so that they never land inside the bar.
class ProgressBar {
 public:
  ProgressBar(std::size_t files, std::uint64_t bytes);
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;
  ~ProgressBar();

  // Input bytes converted so far; the workers count them up.
  [[nodiscard]] std::atomic<std::uint64_t>& BytesDone() { return bytes_done_; }
  void FileDone() { files_done_.fetch_add(1, std::memory_order_relaxed); }

  // Writes `line` and a newline on standard error, the bar erased first; the next redraw puts
  // it below.
  void Print(const std::string& line);

 private:
  void Run();
  void Draw();  // with mutex_ held

  const std::size_t files_;
  const std::uint64_t bytes_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::atomic<std::size_t> files_done_{0};
  std::atomic<std::uint64_t> bytes_done_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

// Puts a bar in `bar` when a run of `files` files of `bytes` bytes wants one; when no thread
// can be started for it, the run goes on without a bar.
void StartProgressBar(std::optional<ProgressBar>& bar, bool quiet, std::size_t files,
                      std::uint64_t bytes);

}  // namespace lipimattam
