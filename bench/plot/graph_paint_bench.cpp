// Repaint time of the plotting control with a million-point series, on a
// real QPainter (800 x 600 image, offscreen platform) and on a surface that
// only counts the calls (the control's own arithmetic).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/plot/graph_model.h"
#include "gui/plot/qt_surface.h"
#include "gui/plot/tgraph2d.h"

namespace {

using namespace grainix;

void ensureApplication() {
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "bench_plot";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  (void)app;
}

void fillSeries(std::vector<double>& x, std::vector<double>& y, std::size_t n) {
  x.resize(n);
  y.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = 10.0 + 80.0 * static_cast<double>(i) / static_cast<double>(n);
    x[i] = t;
    y[i] = 100.0 * std::exp(-std::pow((t - 38.2) / 0.6, 2)) + 40.0 * std::exp(-std::pow((t - 44.4) / 0.7, 2)) +
           5.0 * std::sin(t * 13.0) + static_cast<double>((i * 7919) % 101) * 0.05 + 20.0;
  }
}

void BM_RepaintQt(benchmark::State& state) {
  ensureApplication();
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto style = static_cast<diagramStyle>(state.range(1));
  std::vector<double> x, y;
  fillSeries(x, y, n);
  TGraph2D g;
  g.resize(800, 600);
  g.insertData(x, y);
  g.setStyle(style);
  g.setColor(clBlue);
  g.setPenWidth(style == dsLine ? 2 : 1);
  g.setMargin({80, 60, 60, 60});
  g.activePanel()->grid.visible = true;
  QImage image(800, 600, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    g.render(painter);
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["points"] = static_cast<double>(n);
  state.SetLabel(style == dsLine ? "line" : style == dsPoint ? "point" : style == dsComb ? "comb" : "circle");
}
BENCHMARK(BM_RepaintQt)
    ->Args({1000000, dsLine})
    ->Args({1000000, dsPoint})
    ->Args({1000000, dsCircle})
    ->Args({1000000, dsComb})
    ->Unit(benchmark::kMillisecond);

// Counts calls and vertices; measures the control's arithmetic alone.
class CountingSurface : public DrawSurface {
 public:
  std::size_t calls = 0, vertices = 0;
  void setPen(TColor, int) override {}
  void setBrush(TColor, bool) override {}
  void setFont(const stFont&, bool) override {}
  void setTextColor(TColor) override {}
  void setTextBackground(bool, TColor) override {}
  void line(int, int, int, int) override { ++calls; }
  void polyline(const PixelPoint*, std::size_t n) override {
    ++calls;
    vertices += n;
  }
  void rectangle(int, int, int, int) override { ++calls; }
  void ellipse(int, int, int, int) override { ++calls; }
  void text(int, int, const std::string&) override { ++calls; }
  int textWidth(const std::string& s) override { return 7 * static_cast<int>(s.size()); }
  int textHeight(const std::string&) override { return 16; }
  void setClip(int, int, int, int) override {}
  void clearClip() override {}
};

void BM_RepaintEngineOnly(benchmark::State& state) {
  std::vector<double> x, y;
  fillSeries(x, y, static_cast<std::size_t>(state.range(0)));
  Graph2DModel m;
  m.resize(800, 600);
  m.insertData(x, y);
  m.setMargin({80, 60, 60, 60});
  CountingSurface s;
  for (auto _ : state) {
    s.calls = s.vertices = 0;
    m.paint(s);
  }
  state.counters["vertices"] = static_cast<double>(s.vertices);
}
BENCHMARK(BM_RepaintEngineOnly)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
