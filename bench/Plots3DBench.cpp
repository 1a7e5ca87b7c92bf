// SPDX-License-Identifier: GPL-3.0-or-later
// Draw time of the 3D plots at every 3D size (30 x 80, 60 x 120, 90 x 160),
// with Mesa's software renderer in a headless EGL context of the largest
// window (960 x 720), the 3D viewport and camera as the view sets them and
// the depth test on. Each iteration is one plot's Draw and a glFinish, the
// frame's single flush, so the time includes the rasterisation.
//
//   BM_Surface/K/R  CSurfacePlot::Draw: (K - 1) x (R - 5) cells, two triangles each
//   BM_Bars/K/R     CBarsPlot::Draw: K x (R - 5) six-faced bars
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "base/RunState.h"
#include "platform/EglContext.h"
#include "plots/BarsPlot.h"
#include "plots/Palette.h"
#include "plots/Projection.h"
#include "plots/SurfacePlot.h"

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 720;

CEglContext& Context() {
    static CEglContext context;
    static const bool created = context.Create(kWidth, kHeight);
    (void)created;
    return context;
}

// A spectrum-like ring: a falling floor with noise and a few peaks that
// drift from row to row, so bars have every height and none are flat.
std::vector<double> Ring(std::int32_t cols, std::int32_t rows) {
    std::mt19937 generator(7);
    std::uniform_real_distribution<double> noise(0.0, 0.08);
    std::vector<double> ring(static_cast<std::size_t>(cols) * rows);
    for (std::int32_t r = 0; r < rows; ++r)
        for (std::int32_t c = 0; c < cols; ++c) {
            const double peak = std::exp(-std::pow((c - (cols / 4 + r % 7)) / 2.0, 2.0));
            ring[static_cast<std::size_t>(r) * cols + c] =
                std::min(1.0, 0.3 * std::exp(-c / 20.0) + 0.6 * peak + noise(generator));
        }
    return ring;
}

template <class Plot> void BM_Draw(benchmark::State& state) {
    CEglContext& context = Context();
    if (!context.IsValid() || !context.MakeCurrent()) {
        state.SkipWithError(("no OpenGL context: " + context.GetError()).c_str());
        return;
    }
    const auto cols = static_cast<std::int32_t>(state.range(0));
    const auto rows = static_cast<std::int32_t>(state.range(1));
    std::vector<double> ring = Ring(cols, rows);
    CRunState store;
    store.SetSurfaceGeometry({rows, cols, 3});
    store.SetSurface(ring.data());
    store.SetDisplayRange(kDefaultDisplayRange);

    CPalette palette;
    palette.Build(CPalette::kRainbow);
    // The view at 960 x 720 with the volume strip: H = 600, panel row top
    // T = 720 - 600 - 43, 3D viewport (3, T + 3, H + 105 - 20, 699 - T).
    const int top = kHeight - 600 - 43;
    g_projection2D.SetKind(0);
    g_projection2D.SetViewport(0, 0, kWidth, kHeight);
    g_projection2D.SetBounds(0, kWidth, 0, kHeight, 0, 1);
    g_projection3D.SetKind(CProjection::kPerspective);
    g_projection3D.SetViewport(3, top + 3, 600 + 105 - 20, kHeight - 21 - top);
    g_projection3D.SetBounds(-0.45 * cols, 0.45 * cols, -cols / 2.0, cols / 2.0, 0.8 * rows,
                             8.0 * rows);
    g_projection3D.SetRotation(15, -20, 0); // a turned scene: more faces show
    g_projection3D.SetTranslation(0, 0, -1.6 * rows);
    g_projection3D.SetRenderMode(CProjection::kRenderDepth);

    Plot plot;
    plot.SetRunState(&store);
    plot.SetFonts(1200, 1000);
    plot.SetColours(0, 0, 0, 1, 1, 1, 0, 0, 0);
    plot.Layout(10, kHeight - 1);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        plot.Draw();
        glFinish();
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({30, 80})->Args({60, 120})->Args({90, 160});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_TEMPLATE(BM_Draw, CSurfacePlot)->Name("BM_Surface")->Apply(Sizes);
BENCHMARK_TEMPLATE(BM_Draw, CBarsPlot)->Name("BM_Bars")->Apply(Sizes);

} // namespace
