#include "cli/progress_bar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "cli/messages.h"

namespace lipimattam {
namespace {

constexpr std::chrono::milliseconds kRedrawEvery{100};
constexpr std::uint64_t kLongInput = 50'000'000;
constexpr std::size_t kBarCells = 20;

std::string Duration(double seconds) {
  const auto total = static_cast<long long>(std::llround(seconds));
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                  total % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  }
  return text;
}

std::size_t TerminalWidth() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

// Whether the terminal takes escape codes: not where TERM is unset or "dumb" (an editor's
// shell, a pipe made to look like a terminal). There the bar is cleared with spaces.
bool TakesEscapeCodes() {
  const char* const term = std::getenv("TERM");
  return term != nullptr && *term != '\0' && std::string_view(term) != "dumb";
}

// Back to the line's start with the rest of the line cleared; `width` columns wide.
std::string EraseLine(std::size_t width) {
  static const bool escapes = TakesEscapeCodes();
  return escapes ? "\r\033[K" : "\r" + std::string(width - 1, ' ') + "\r";
}

void WriteAll(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

std::string ProgressLine(const ProgressFigures& figures, std::size_t width) {
  const auto ratio = [](double part, double whole) { return whole == 0 ? 1.0 : part / whole; };
  const double fraction = std::clamp(
      figures.bytes == 0
          ? ratio(static_cast<double>(figures.files_done), static_cast<double>(figures.files))
          : ratio(static_cast<double>(figures.bytes_done), static_cast<double>(figures.bytes)),
      0.0, 1.0);
  const auto filled = static_cast<std::size_t>(fraction * kBarCells);
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
  std::string done = Amount(figures.bytes_done, figures.bytes);
  done.resize(done.find(' '));  // the unit once, after the total
  std::string line = std::string(percent) + " [" + std::string(filled, '#') +
                     std::string(kBarCells - filled, '.') + "] " +
                     std::to_string(figures.files_done) + "/" + std::to_string(figures.files) +
                     " files  " + done + "/" + Amount(figures.bytes, figures.bytes);
  if (figures.seconds >= 0.5 && figures.bytes_done > 0) {
    const double rate = static_cast<double>(figures.bytes_done) / figures.seconds;
    const auto whole_rate = static_cast<std::uint64_t>(rate);
    line += "  " + Amount(whole_rate, whole_rate) + "/s";
    if (figures.bytes > figures.bytes_done)
      line +=
          "  " + Duration(static_cast<double>(figures.bytes - figures.bytes_done) / rate) + " left";
  }
  if (width > 0 && line.size() > width - 1) line.resize(width - 1);
  return line;
}

bool WantsProgressBar(bool quiet, std::size_t files, std::uint64_t bytes) {
  return !quiet && ::isatty(STDERR_FILENO) == 1 && (files > 1 || bytes > kLongInput);
}

void StartProgressBar(std::optional<ProgressBar>& bar, bool quiet, std::size_t files,
                      std::uint64_t bytes) {
  if (!WantsProgressBar(quiet, files, bytes)) return;
  try {
    bar.emplace(files, bytes);
  } catch (const std::system_error&) {  // no thread for it
  }
}

ProgressBar::ProgressBar(std::size_t files, std::uint64_t bytes) : files_(files), bytes_(bytes) {
  thread_ = std::thread([this] { Run(); });
}

ProgressBar::~ProgressBar() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
  WriteAll(EraseLine(TerminalWidth()));
}

void ProgressBar::Print(const std::string& line) {
  const std::lock_guard lock(mutex_);
  WriteAll(EraseLine(TerminalWidth()) + line + "\n");  // the next tick draws the bar again
}

void ProgressBar::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    Draw();
    wake_.wait_for(lock, kRedrawEvery, [this] { return stopping_; });
  }
}

void ProgressBar::Draw() {
  ProgressFigures figures;
  figures.files = files_;
  figures.bytes = bytes_;
  figures.files_done = files_done_.load(std::memory_order_relaxed);
  figures.bytes_done = bytes_done_.load(std::memory_order_relaxed);
  figures.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const std::size_t width = TerminalWidth();
  WriteAll(EraseLine(width) + ProgressLine(figures, width));
}

}  // namespace lipimattam
