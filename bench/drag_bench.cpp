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

#include <cmath>
#include <memory>

namespace {

using namespace cartonic;

constexpr int kViewWidth = 1280;
constexpr int kViewHeight = 800;
constexpr int kMoves = 500;
constexpr int kMovePeriodMs = 2;
constexpr int kReferencePaints = 40;
constexpr int kWarmUpPaints = 5;

struct Fixture {
    ProjectData data;
    SlotImages images;
    OGLView view{data, images};

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
            view.update();
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

void BM_Drag(benchmark::State& state) {
    if (!fixture) {
        fixture = std::make_unique<Fixture>();
    }
    Fixture& f = *fixture;
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

} // namespace

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
