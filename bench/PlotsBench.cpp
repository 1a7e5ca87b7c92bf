// SPDX-License-Identifier: GPL-3.0-or-later
// Draw time of every 2D plot and overlay panel, and of the whole frame, at
// each plot size (640 x 480, 800 x 600, 960 x 720), under Mesa's software
// renderer in the headless EGL context. Each iteration ends in glFinish, so
// the time includes the rasterisation; it is wall-clock time (Mesa's
// rasteriser runs on threads of its own).
//
//   BM_Draw<Panel>/S  one Draw of that plot or panel at size index S
//   BM_Frame<Plot>/S  what the view's OnDraw does for that plot type with the
//                     default panel flags: clear, 2D projection, the plot,
//                     the volume strip and the panel row
//
// The rings, level histories and levels hold seeded random data, the row
// index moves every iteration as it does while acquiring, and the fonts are
// the real glyphs (Qt's offscreen platform).
#include <benchmark/benchmark.h>

#include <QtGui/QGuiApplication>

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "analysis/HistoryBuffers.h"
#include "base/RunState.h"
#include "base/StartupSettings.h"
#include "platform/EglContext.h"
#include "platform/GlyphRasterizer.h"
#include "plots/FontList.h"
#include "plots/HistogramPlot.h"
#include "plots/InfoPanel.h"
#include "plots/MetersPlot.h"
#include "plots/Palette.h"
#include "plots/Projection.h"
#include "plots/RunStatusPanel.h"
#include "plots/ScalePanel.h"
#include "plots/VolumePanel.h"
#include "plots/VuMeterPanel.h"
#include "plots/WaterfallPlot.h"
#include "view/PanelLayout.h"
#include "view/PixelMaps.h"

namespace {

constexpr std::array<int, 3> kWidths = {640, 800, 960};

// The process-wide pieces every size shares: Qt for the glyphs, one context
// as large as the largest plot, the fonts and the palette.
struct SGlobal {
    int argc = 1;
    char name[16] = "vireon_plots";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
    CEglContext context;
    bool ok = false;

    SGlobal() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app = std::make_unique<QGuiApplication>(argc, argv);
        if (!context.Create(kWidths.back(), kWidths.back() * 3 / 4))
            return;
        CGlyphRasterizer glyphs;
        for (const auto& [base, height] : {std::pair{1000, 10}, std::pair{1200, 12}})
            BuildFontList(glyphs, base, height, "Arial");
        CPalette palette;
        palette.Build(CPalette::kRainbow);
        LoadPixelMaps();
        ok = true;
    }
};

SGlobal& Global() {
    static SGlobal global;
    return global;
}

// One plot size: its store, buffers, plots and panels, laid out as the view
// lays them out.
struct SScene {
    int w, p, h;
    CRunState store;
    std::unique_ptr<CHistoryBuffers> history;
    CScalePanel scale;
    CHistogramPlot histogram;
    CMetersPlot meters;
    CInfoPanel info;
    CRunStatusPanel runStatus;
    CWaterfallPlot waterfall;
    CVolumePanel volume;
    CVuMeterPanel vuMeter;
    std::int32_t plotType = -1;
    std::int32_t row = 0;

    explicit SScene(int width) : w(width), p(width * 3 / 4), h(width * 3 / 4 - 120) {
        history = std::make_unique<CHistoryBuffers>(h, 30, 80);
        history->Register(store);
        store.SetCaptureFormat(kDefaultCaptureFormat);
        store.SetDisplayRange(kDefaultDisplayRange);
        store.SetAcquiring(true);
        store.SetLevels({-12000, 13000, 9191});
        store.SetStereoLevels({-12000, 13000, -9000, 8000});
        store.SetForegroundColor(1, 1, 1);

        std::mt19937 random(7);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_real_distribution<double> level(0.0, 1.0);
        std::vector<std::uint8_t> rowBytes(static_cast<std::size_t>(h));
        for (int r = 0; r < 2 * h; ++r) {
            for (auto& b : rowBytes)
                b = static_cast<std::uint8_t>(byte(random));
            HistoryStoreBytes(history->Waterfall() + static_cast<std::size_t>(r) * h,
                              rowBytes.data(), rowBytes.size());
        }
        for (int which = 0; which < 6; ++which)
            for (int i = 0; i <= 2 * h; ++i)
                HistoryStoreDouble(history->LevelHistory(which) + i,
                                   (which % 2 == 0 ? -1.0 : 1.0) * level(random));

        for (CPanel* panel : Panels())
            panel->SetRunState(&store);
        for (CPanel* plot : {static_cast<CPanel*>(&histogram), static_cast<CPanel*>(&meters),
                             static_cast<CPanel*>(&waterfall), static_cast<CPanel*>(&volume)}) {
            plot->SetFonts(1200, 1200);
            plot->SetColours(0, 0, 0, 1, 1, 1, 0, 0, 0);
        }
        for (CPanel* panel : {static_cast<CPanel*>(&scale), static_cast<CPanel*>(&info),
                              static_cast<CPanel*>(&vuMeter)}) {
            panel->SetFonts(1200, 1000);
            panel->SetColours(0.3f, 0, 0.5f, 1, 1, 1, 0, 0, 0);
        }
        runStatus.SetFonts(1200, 1000);
        runStatus.SetColours({0.6f, 0, 0}, {0.1f, 0.5f, 0}, {1, 1, 1}, {0, 0, 0});
        const SColour green{0, 0.7f, 0}, yellow{1, 1, 0}, red{1, 0, 0};
        vuMeter.SetLevelColours(green, yellow, red);
        meters.SetLevelColours(green, yellow, red);
        Layout(PLOT_HISTOGRAM);
    }

    std::vector<CPanel*> Panels() {
        return {&scale, &histogram, &meters, &info, &runStatus, &waterfall, &volume, &vuMeter};
    }

    void Layout(std::int32_t type) {
        if (type == plotType)
            return;
        plotType = type;
        SLayoutState state;
        state.nPlotType = type;
        state.nPlotWidth = w;
        state.nPlotHeight = p;
        state.nHistoryLength = h;
        state.nRingRows = 2 * h;
        SLayoutPanels panels;
        panels.plots[PLOT_HISTOGRAM] = &histogram;
        panels.plots[PLOT_WATERFALL] = &waterfall;
        panels.plots[PLOT_METERS] = &meters;
        panels.layoutVolume = [this](std::int32_t x, std::int32_t y, std::int32_t width) {
            volume.Layout(x, y, width);
        };
        panels.pInfo = &info;
        panels.pRunStatus = &runStatus;
        panels.pScale = &scale;
        panels.pVuMeter = &vuMeter;
        LayoutPanels(state, panels);
        // The scale panel is placed only beside the waterfall; time it there.
        if (type != PLOT_WATERFALL)
            scale.Layout(w - 160, 62);
    }

    // The analysis thread's next row, as far as the plots can tell.
    void Advance() {
        row = row == 0 ? h - 1 : row - 1;
        store.SetHistoryGeometry({2 * h, h, row, h});
    }

    void Begin() {
        g_projection2D.SetViewport(0, 0, w, p);
        g_projection2D.SetBounds(0, w, 0, p, 0, 1);
        g_projection2D.Apply();
    }

    // OnDraw's drawing for the plot type with the default panel flags.
    void Frame(std::int32_t type) {
        glClearColor(0.0f, 0.15f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        g_projection2D.Apply();
        CPanel* plot = type == PLOT_HISTOGRAM   ? static_cast<CPanel*>(&histogram)
                       : type == PLOT_WATERFALL ? static_cast<CPanel*>(&waterfall)
                                                : static_cast<CPanel*>(&meters);
        plot->Draw();
        volume.Draw();
        if (type == PLOT_WATERFALL)
            scale.Draw();
        info.Draw();
        runStatus.Draw();
        vuMeter.Draw();
    }
};

SScene* Scene(benchmark::State& state) {
    if (!Global().ok) {
        state.SkipWithError("no headless OpenGL context");
        return nullptr;
    }
    static std::map<int, std::unique_ptr<SScene>> scenes;
    const int index = static_cast<int>(state.range(0));
    auto& scene = scenes[index];
    if (!scene)
        scene = std::make_unique<SScene>(kWidths[static_cast<std::size_t>(index)]);
    scene->Begin();
    state.SetLabel(std::to_string(scene->w) + "x" + std::to_string(scene->p));
    return scene.get();
}

template <typename Pick> void DrawOne(benchmark::State& state, std::int32_t layoutType, Pick pick) {
    SScene* scene = Scene(state);
    if (!scene)
        return;
    scene->Layout(layoutType);
    CPanel& panel = pick(*scene);
    for (auto _ : state) {
        scene->Advance();
        panel.Draw();
        glFinish();
    }
}

void BM_DrawHistogram(benchmark::State& s) {
    DrawOne(s, PLOT_HISTOGRAM, [](SScene& c) -> CPanel& { return c.histogram; });
}
void BM_DrawWaterfall(benchmark::State& s) {
    DrawOne(s, PLOT_WATERFALL, [](SScene& c) -> CPanel& { return c.waterfall; });
}
void BM_DrawMeters(benchmark::State& s) {
    DrawOne(s, PLOT_METERS, [](SScene& c) -> CPanel& { return c.meters; });
}
void BM_DrawVolume(benchmark::State& s) {
    DrawOne(s, PLOT_HISTOGRAM, [](SScene& c) -> CPanel& { return c.volume; });
}
void BM_DrawVuMeter(benchmark::State& s) {
    DrawOne(s, PLOT_HISTOGRAM, [](SScene& c) -> CPanel& { return c.vuMeter; });
}
void BM_DrawScale(benchmark::State& s) {
    DrawOne(s, PLOT_WATERFALL, [](SScene& c) -> CPanel& { return c.scale; });
}
void BM_DrawInfo(benchmark::State& s) {
    DrawOne(s, PLOT_HISTOGRAM, [](SScene& c) -> CPanel& { return c.info; });
}
void BM_DrawRunStatus(benchmark::State& s) {
    DrawOne(s, PLOT_HISTOGRAM, [](SScene& c) -> CPanel& { return c.runStatus; });
}

void FrameOf(benchmark::State& state, std::int32_t type) {
    SScene* scene = Scene(state);
    if (!scene)
        return;
    scene->Layout(type);
    for (auto _ : state) {
        scene->Advance();
        scene->Frame(type);
        glFinish();
    }
}
void BM_FrameHistogram(benchmark::State& s) {
    FrameOf(s, PLOT_HISTOGRAM);
}
void BM_FrameWaterfall(benchmark::State& s) {
    FrameOf(s, PLOT_WATERFALL);
}
void BM_FrameMeters(benchmark::State& s) {
    FrameOf(s, PLOT_METERS);
}

#define VIREON_SIZES(bm)                                                                           \
    BENCHMARK(bm)->DenseRange(0, 2)->UseRealTime()->Unit(benchmark::kMillisecond)
VIREON_SIZES(BM_DrawHistogram);
VIREON_SIZES(BM_DrawWaterfall);
VIREON_SIZES(BM_DrawMeters);
VIREON_SIZES(BM_DrawVolume);
VIREON_SIZES(BM_DrawVuMeter);
VIREON_SIZES(BM_DrawScale);
VIREON_SIZES(BM_DrawInfo);
VIREON_SIZES(BM_DrawRunStatus);
VIREON_SIZES(BM_FrameHistogram);
VIREON_SIZES(BM_FrameWaterfall);
VIREON_SIZES(BM_FrameMeters);

} // namespace
