// The window converting a long text: the whole pass driven through cmdConvert_Click, the
// per-unit whole-text replacement it avoids, and how soon a key is answered mid-pass.
// Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <memory>
#include <string>

#include "bench/malayalam_text.h"
#include "engine/convert.h"
#include "ui/main_window.h"

namespace {

QString Text(std::size_t units) {
  const std::u16string text = lipimattam::GenerateMalayalamText(units);
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// Notes when a key event reaches the watched control.
class KeyWatch : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && !seen.isValid()) seen.start();
    return QObject::eventFilter(watched, event);
  }
  QElapsedTimer seen;
};

void ConvertClick(benchmark::State& state) {
  const QString input = Text(static_cast<std::size_t>(state.range(0)));
  lipimattam::frmMain window;
  window.show();
  window.TextBox1->SetExactText(input);
  double worst_latency_ms = -1;
  for (auto _ : state) {
    KeyWatch watch;
    window.TextBox1->installEventFilter(&watch);
    QElapsedTimer posted;
    // A key posted in the middle of the pass; the filter sees it when the pass yields.
    QTimer post_key;
    post_key.setSingleShot(true);
    QObject::connect(&post_key, &QTimer::timeout, [&] {
      posted.start();
      QCoreApplication::postEvent(window.TextBox1,
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
    });
    post_key.start(50);
    window.cmdConvert_Click();
    window.TextBox1->removeEventFilter(&watch);
    if (posted.isValid() && watch.seen.isValid()) {
      const double latency_ms =
          static_cast<double>(posted.nsecsElapsed() - watch.seen.nsecsElapsed()) / 1e6;
      worst_latency_ms = std::max(worst_latency_ms, latency_ms);
    }
  }
  state.counters["units"] = static_cast<double>(input.size());
  // -1 when the pass ended before the key was posted.
  state.counters["key_latency_ms"] = worst_latency_ms > 0 ? worst_latency_ms : -1;
}

// What the window would do if it replaced the whole output box text and toggled the box at
// every code unit.
class WholeTextPerUnit : public lipimattam::ConvertProgress {
 public:
  explicit WholeTextPerUnit(lipimattam::frmMain& window) : window_(window) {}
  void UnitStarting() override { window_.TextBox2->setEnabled(false); }
  void UnitPlaced(std::u16string_view text) override {
    window_.TextBox2->setPlainText(
        QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())));
    QCoreApplication::processEvents();
  }
  void UnitFinished() override { window_.TextBox2->setEnabled(true); }

 private:
  lipimattam::frmMain& window_;
};

void WholeTextReplacementPerUnit(benchmark::State& state) {
  const QString input = Text(static_cast<std::size_t>(state.range(0)));
  lipimattam::frmMain window;
  window.show();
  for (auto _ : state) {
    WholeTextPerUnit progress(window);
    benchmark::DoNotOptimize(lipimattam::ConvertText(
        {reinterpret_cast<const char16_t*>(input.utf16()), static_cast<std::size_t>(input.size())},
        progress));
  }
  state.counters["units"] = static_cast<double>(input.size());
}

BENCHMARK(ConvertClick)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WholeTextReplacementPerUnit)->Arg(5'000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
