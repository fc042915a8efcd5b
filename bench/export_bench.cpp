// Exporting a 2047 x 2047 picture whole (render, read back, turn upright, encode, write) against
// its reference: an offscreen render of the same frame read back as OpenGL gives it, plus the
// reference encoder (cjpeg) on the same pixels at the same quality.

#include "bench_support.h"

#include "export/headless_renderer.h"
#include "export/picture_writer.h"
#include "gl/offscreen_target.h"
#include "render/scene_renderer.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <GL/gl.h>

namespace {

using namespace cartonic;

constexpr int kExportSide = 2047; // the largest size the export dialog takes
constexpr int kViewWidth = 1280;
constexpr int kViewHeight = 800;

struct Scene {
    ProjectData data;
    Camera camera = Camera::startUp();
    std::unique_ptr<HeadlessRenderer> renderer;
    std::string why;

    Scene() {
        data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        renderer = HeadlessRenderer::create(data, &why);
        camera.setViewSize(kViewWidth, kViewHeight);
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

void BM_Export(benchmark::State& state) {
    Scene& s = scene();
    if (!s.renderer) {
        state.SkipWithError(s.why.c_str());
        return;
    }
    const std::string path = bench::inputPath("export.jpg");
    for (auto _ : state) {
        RgbaPicture picture;
        if (!s.renderer->render(s.camera, kExportSide, kExportSide, picture, &s.why) ||
            !writePicture(path, picture, PictureFormat::Jpeg, kExportJpegQuality, &s.why)) {
            state.SkipWithError(s.why.c_str());
            break;
        }
    }
}

void BM_OffscreenRenderReference(benchmark::State& state) {
    Scene& s = scene();
    if (!s.renderer) {
        state.SkipWithError(s.why.c_str());
        return;
    }
    std::vector<std::uint8_t> pixels(std::size_t{kExportSide} * kExportSide * 4);
    for (auto _ : state) {
        auto target = gl::OffscreenTarget::create(kExportSide, kExportSide, &s.why);
        if (!target) {
            state.SkipWithError(s.why.c_str());
            break;
        }
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        s.camera.applyProjection();
        drawFrame(s.data);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kExportSide, kExportSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
}

void BM_CjpegReference(benchmark::State& state) {
    Scene& s = scene();
    if (!s.renderer) {
        state.SkipWithError(s.why.c_str());
        return;
    }
    // The same pixels as the export encodes, as the reference encoder's input.
    RgbaPicture picture;
    s.renderer->render(s.camera, kExportSide, kExportSide, picture, &s.why);
    const std::string ppm = bench::inputPath("export.ppm");
    const QImage image(picture.rgba.data(), kExportSide, kExportSide, kExportSide * 4,
                       QImage::Format_RGBX8888);
    if (!image.save(QString::fromStdString(ppm), "PPM")) {
        state.SkipWithError("cannot write the reference encoder's input");
        return;
    }
    const std::string quality = std::to_string(kExportJpegQuality);
    const std::string out = bench::inputPath("export-reference.jpg");
    for (auto _ : state) {
        const double seconds =
            bench::runTimed({"cjpeg", "-quality", quality, "-outfile", out, ppm});
        if (seconds < 0) {
            state.SkipWithError("cjpeg did not run (install libjpeg-turbo-progs)");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

} // namespace

BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OffscreenRenderReference)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CjpegReference)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
