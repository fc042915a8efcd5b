// Exporting a 2047 x 2047 picture whole (render, read back, turn upright, encode, write) against
// its reference: an offscreen render of the same frame read back as OpenGL gives it, plus the
// reference encoder (cjpeg) on the same pixels at the same quality; both aliased, so the figure is
// the export's own work. Then the smooth export, the default, against the aliased one; and the
// default export with a soft shadow and a fading reflection against the same without them.
// Wall-clock time in pairs (see timePairs).

#include "bench_support.h"

#include "formats/picture_writer.h"
#include "gl/offscreen_target.h"
#include "render/headless_renderer.h"
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
    SlotImages images;
    Camera camera = Camera::startUp();
    std::unique_ptr<HeadlessRenderer> renderer;
    std::string why;

    Scene() {
        data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        auto made = HeadlessRenderer::create(data);
        renderer = std::move(made.value);
        why = made.status.message();
        camera.setViewSize(kViewWidth, kViewHeight);
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

// The whole export, as the view's exportImage does it: render, read back, encode, write.
double exportSeconds(Scene& s, const std::string& path, int samples, SceneLook look = {}) {
    return bench::timed([&] {
        RgbaPicture picture;
        RenderSettings settings{samples};
        settings.look = look;
        return s.renderer->render(s.data, s.images, s.camera, kExportSide, kExportSide, picture,
                                  settings) &&
               writePicture(path, picture, PictureFormat::Jpeg, kExportJpegQuality);
    });
}

// The reference's render: an offscreen target of the size, the frame, the pixels read back as
// OpenGL gives them (bottom row first) into memory of the caller's.
double renderSeconds(Scene& s, std::vector<std::uint8_t>& pixels) {
    return bench::timed([&] {
        auto target = gl::OffscreenTarget::create(kExportSide, kExportSide).value;
        if (!target) {
            return false;
        }
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        s.camera.applyProjection();
        drawFrame(s.data, s.renderer->textures(s.data, s.images),
                  {.outlinedFace = selectionOutline(s.data)});
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kExportSide, kExportSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return true;
    });
}

void BM_ExportVsRenderAndCjpeg(benchmark::State& state) {
    Scene& s = scene();
    if (!s.renderer) {
        state.SkipWithError(s.why.c_str());
        return;
    }
    // The reference encoder's input: the same pixels as the export encodes, as a PPM file.
    RgbaPicture picture;
    static_cast<void>(s.renderer->render(s.data, s.images, s.camera, kExportSide, kExportSide,
                                         picture, RenderSettings{kAliasedSamples}));
    const std::string ppm = bench::inputPath("export.ppm");
    const QImage image(picture.rgba.data(), kExportSide, kExportSide, kExportSide * 4,
                       QImage::Format_RGBX8888);
    if (!image.save(QString::fromStdString(ppm), "PPM")) {
        state.SkipWithError("cannot write the reference encoder's input");
        return;
    }
    const std::string path = bench::inputPath("export.jpg");
    const std::string quality = std::to_string(kExportJpegQuality);
    const std::string reference = bench::inputPath("export-reference.jpg");
    std::vector<std::uint8_t> pixels(std::size_t{kExportSide} * kExportSide * 4);
    bench::timePairs(
        state, [&] { return exportSeconds(s, path, kAliasedSamples); },
        [&] {
            const double render = renderSeconds(s, pixels);
            const double encode =
                bench::runTimed({"cjpeg", "-quality", quality, "-outfile", reference, ppm});
            return render < 0 || encode < 0 ? -1.0 : render + encode;
        });
}

void BM_SmoothExportVsAliased(benchmark::State& state) {
    Scene& s = scene();
    if (!s.renderer) {
        state.SkipWithError(s.why.c_str());
        return;
    }
    const std::string path = bench::inputPath("export.jpg");
    bench::timePairs(
        state, [&] { return exportSeconds(s, path, kSmoothSamples); },
        [&] { return exportSeconds(s, path, kAliasedSamples); });
}

void BM_SoftLookExportVsPlain(benchmark::State& state) {
    Scene& s = scene();
    if (!s.renderer) {
        state.SkipWithError(s.why.c_str());
        return;
    }
    const std::string path = bench::inputPath("export.jpg");
    constexpr SceneLook kSoft = {.shadowSoftness = 0.5f, .reflectionFade = 1.0f};
    bench::timePairs(
        state, [&] { return exportSeconds(s, path, kSmoothSamples, kSoft); },
        [&] { return exportSeconds(s, path, kSmoothSamples); });
}

} // namespace

BENCHMARK(BM_ExportVsRenderAndCjpeg)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_SmoothExportVsAliased)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_SoftLookExportVsPlain)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
