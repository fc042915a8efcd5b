// A 500-move drag in a shown view of 1280 x 800, against the paints it causes; the argument is
// the mouse mode (camera turn, the start mode, and light move, which loads the light into GL).
//
// The moves are posted into the event queue on a wall-clock schedule (one every 2 ms, as a fast
// mouse delivers them), independent of how busy the program is, so moves that arrive during a
// paint queue up as real input would. The paints are priced by a reference taken in the same
// run: the process CPU time of the same kind of paint (update, idle, paint, composition), done
// back to back with nothing else happening. Process CPU time (all threads) on both sides, since
// the software rasteriser works in threads of its own. Counters per repetition:
//   cpu_over_paints  drag CPU time / (paints during the drag x CPU time of one paint)
//   paints           paints during the drag
//   idle_passes      times the event loop went idle (about to wait) during the drag
//   paints_over_idle paints / idle_passes
//
// And the view's refinement of a still picture, at the same size with smooth edges on:
//   BM_InteractionFrameVsAliased  ratio: process CPU time of a frame drawn while the picture
//                                 changes over that of a frame with smooth edges off
//   BM_Settle                     settle_ms: from an edit to the refined picture shown, the
//                                 wait before refining included
//   BM_PressDuringRefinement      press_ms_max, press_ms_median: from a mouse press posted at
//                                 some moment of the refinement (from another thread, as the
//                                 window system delivers it) to the normal frame it gets

#include "bench_support.h"

#include "app/ogl_view.h"

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QSurfaceFormat>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace cartonic;

constexpr int kViewWidth = 1280;
constexpr int kViewHeight = 800;
constexpr int kMoves = 500;
constexpr int kMovePeriodMs = 2;
constexpr int kReferencePaints = 40;
constexpr int kWarmUpPaints = 5;

struct Fixture {
    Project project;
    ProjectData& data = project.record;
    SlotImages& images = project.pictures;
    OGLView view{project};

    Fixture() {
        view.resize(kViewWidth, kViewHeight);
        view.show();
        paints(kWarmUpPaints);
    }

    // n update-driven paints, one after the other; each is complete (composed and flushed) when
    // its event handler has returned to the loop.
    void paints(int n) {
        for (int i = 0; i < n; ++i) {
            QEventLoop loop;
            QObject::connect(&view, &OGLView::painted, &loop, &QEventLoop::quit);
            view.requestRedraw();
            loop.exec();
        }
    }

    void post(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QCoreApplication::postEvent(&view, new QMouseEvent(type, at, view.mapToGlobal(at), button,
                                                           buttons, Qt::NoModifier));
    }

    // A point on a wavy left-to-right path through the middle of the view.
    static QPointF along(int move) {
        const double x = kViewWidth * (0.25 + 0.5 * move / kMoves);
        const double y = kViewHeight * (0.5 + 0.15 * std::sin(move * 0.05));
        return {std::round(x), std::round(y)};
    }
};

// Made on first use and gone before the application object.
std::unique_ptr<Fixture> fixture;

Fixture& theFixture() {
    if (!fixture) {
        fixture = std::make_unique<Fixture>();
    }
    fixture->view.setMouseMode(MouseMode::RotateCamera);
    return *fixture;
}

void BM_Drag(benchmark::State& state) {
    Fixture& f = theFixture();
    f.view.setMouseMode(static_cast<MouseMode>(state.range(0)));
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (auto _ : state) {
        const double referenceStart = bench::processCpuSeconds();
        f.paints(kReferencePaints);
        const double cpuPerPaint = (bench::processCpuSeconds() - referenceStart) / kReferencePaints;

        int idlePasses = 0;
        const auto counting = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                               [&idlePasses] { ++idlePasses; });
        const int paintsBefore = f.view.paintCount();
        const double dragStart = bench::processCpuSeconds();

        f.post(QEvent::MouseButtonPress, Fixture::along(0), Qt::LeftButton, Qt::LeftButton);
        int posted = 0;
        QElapsedTimer clock;
        clock.start();
        QTimer pacer;
        pacer.setTimerType(Qt::PreciseTimer);
        pacer.setInterval(kMovePeriodMs);
        QObject::connect(&pacer, &QTimer::timeout, [&] {
            const int due = std::min<int>(kMoves, int(clock.elapsed() / kMovePeriodMs) + 1);
            for (; posted < due; ++posted) {
                f.post(QEvent::MouseMove, Fixture::along(posted + 1), Qt::NoButton, Qt::LeftButton);
            }
            if (posted == kMoves) {
                pacer.stop();
                f.post(QEvent::MouseButtonRelease, Fixture::along(kMoves), Qt::LeftButton,
                       Qt::NoButton);
            }
        });
        pacer.start();
        // Done when every move is in, handled, and the last picture painted.
        while (pacer.isActive() || f.view.mouse().leftButtonDown != 0 || f.view.needsRedraw()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents();

        const double dragCpu = bench::processCpuSeconds() - dragStart;
        QObject::disconnect(counting);
        const int paints = f.view.paintCount() - paintsBefore;
        state.counters["cpu_over_paints"] = paints > 0 ? dragCpu / (paints * cpuPerPaint) : 0.0;
        state.counters["paints"] = paints;
        state.counters["idle_passes"] = idlePasses;
        state.counters["paints_over_idle"] = idlePasses > 0 ? double(paints) / idlePasses : 0.0;
    }
}

constexpr int kInteractionPaints = 40;
constexpr int kSettles = 3;
constexpr int kPresses = 12;
constexpr int kPressSpreadMs = 30; // each press lands this much later into the refinement

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void BM_InteractionFrameVsAliased(benchmark::State& state) {
    Fixture& f = theFixture();
    const auto cpuPerPaint = [&f](bool smooth) {
        f.view.setSmoothEdges(smooth);
        f.paints(kWarmUpPaints);
        const double start = bench::processCpuSeconds();
        f.paints(kInteractionPaints);
        return (bench::processCpuSeconds() - start) / kInteractionPaints;
    };
    for (auto _ : state) {
        const double aliased = cpuPerPaint(false);
        const double interaction = cpuPerPaint(true);
        state.counters["ratio"] = interaction / aliased;
        state.counters["figure_ms"] = interaction * 1e3;
        state.counters["reference_ms"] = aliased * 1e3;
    }
}

void BM_Settle(benchmark::State& state) {
    Fixture& f = theFixture();
    f.view.setSmoothEdges(true);
    for (auto _ : state) {
        std::vector<double> settles;
        for (int i = 0; i < kSettles; ++i) {
            QEventLoop loop;
            QObject::connect(&f.view, &OGLView::settled, &loop, &QEventLoop::quit);
            const Clock::time_point edit = Clock::now();
            f.view.requestRedraw();
            loop.exec();
            settles.push_back(millisecondsSince(edit));
        }
        std::sort(settles.begin(), settles.end());
        state.counters["settle_ms"] = settles[settles.size() / 2];
    }
}

void BM_PressDuringRefinement(benchmark::State& state) {
    Fixture& f = theFixture();
    f.view.setSmoothEdges(true);
    for (auto _ : state) {
        std::vector<double> latencies;
        for (int i = 0; i < kPresses; ++i) {
            f.paints(1);
            const QPointF at = Fixture::along(i);
            std::atomic<bool> posted = false;
            Clock::time_point postedAt;
            std::thread press([&] {
                std::this_thread::sleep_for(
                    std::chrono::milliseconds(OGLView::kRefineDelayMs + kPressSpreadMs * (i + 1)));
                postedAt = Clock::now();
                posted = true;
                f.post(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
            });
            QEventLoop loop;
            const auto answered = QObject::connect(&f.view, &OGLView::painted, [&] {
                if (posted && !f.view.showsRefinement()) {
                    latencies.push_back(millisecondsSince(postedAt));
                    loop.quit();
                }
            });
            loop.exec();
            press.join();
            QObject::disconnect(answered);
            f.post(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
            QCoreApplication::processEvents();
        }
        std::sort(latencies.begin(), latencies.end());
        state.counters["press_ms_max"] = latencies.back();
        state.counters["press_ms_median"] = latencies[latencies.size() / 2];
    }
}

} // namespace

BENCHMARK(BM_InteractionFrameVsAliased)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Settle)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PressDuringRefinement)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_Drag)
    ->Arg(static_cast<int>(MouseMode::RotateCamera))
    ->Arg(static_cast<int>(MouseMode::RotateLight))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QSurfaceFormat::setDefaultFormat(viewSurfaceFormat());
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fixture.reset();
    benchmark::Shutdown();
    return 0;
}
