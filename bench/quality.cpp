// bench_quality MODE: the picture-quality figures, one a line as "name value" on standard output
// for scripts/bench.sh; what lies behind each goes to standard error.
//
//   edges      edge_error_ratio_sample, edge_error_ratio_default: the default picture's edge error
//              over the aliased one's (tests/support/picture_quality.h), on the sample project and
//              the start-up scene at 320 x 240, each against the scene drawn at 8 times the size
//              and box-filtered down, near the edges of the scene's shapes (box, reflection,
//              shadow, floor), found in that reference drawn without pictures.
//              detail_error_ratio_sample, detail_error_ratio_default: the same near every edge the
//              reference shows, the detail of the pictures and of the floor's pattern included.
//              `bench_quality edges N` measures N samples a pixel instead of the default.
//   view       view_settled_error_ratio: the live view's picture once it has refined itself
//              (pass_accumulator.h) on the start-up scene at 320 x 240, its edge error near every
//              edge over an aliased frame's, both against the frame drawn at 8 times the size with
//              the same (the view's) textures and box-filtered down.
//   stripes    stripe_contrast, stripe_contrast_kept: a 2048 x 2048 front picture of 2-pixel black
//              and white stripes at 4096 x 4096, the camera straight at the front face, which
//              spans more than 2048 pixels: the Michelson contrast in the middle of the face with
//              the export's textures and with the record's (the view's). export_texture_vs_output:
//              the export's texture bytes over the output's RGBA bytes. stripes_peak_vs_budget:
//              the resident memory the render and its PNG file add at their peak over
//              2.5 times the output's RGBA bytes plus the picture's. Run in a fresh process.
//   vectors    vector_contrast_svg, vector_contrast_pdf: an SVG front whose view box is 2048 units
//              (declaring 64 pixels) of 2-unit stripes, and a PDF page drawn the same way, at
//              4096 x 4096 as the stripes above: the Michelson contrast in the middle of the face.
//              print_pdf_4096_seconds: the best of three rasterisations of a one-page A4 print PDF
//              (gradient, photograph, curves, text) at 4096 pixels, through the bounded child.
//   composite  composite_error_max: the worst channel difference, of 255, between the sample
//              project's transparent picture laid over black, white and a mid colour and the scene
//              drawn over that colour.
//
// Needs CARTONIC_BENCH_DIR for its files, as the other benchmarks do.

#include "bench_support.h"

#include "cli/render_job.h"
#include "formats/picture_writer.h"
#include "image/image_loader.h"
#include "image/restore_images.h"
#include "model/project_file.h"
#include "render/headless_renderer.h"
#include "support/picture_quality.h"
#include "support/vector_documents.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {

using namespace cartonic;

// The reference's pixels per picture pixel, along each side.
constexpr int kReferenceFactor = 8;
constexpr int kEdgeWidth = 320;
constexpr int kEdgeHeight = 240;

constexpr int kStripePicture = 2048;
constexpr int kStripeWidth = 2; // pixels of each black or white stripe
constexpr int kStripeOutput = 4096;
constexpr float kStripeFill = 1.1f; // the face's height over the output's
constexpr double kPeakOutputShare = 2.5;

// The vector documents' declared side, far smaller than their view box; the print page's
// resolution as its writer draws it; the rasterisations of it timed, the best counted.
constexpr int kDeclaredSide = 64;
constexpr int kPrintDpi = 300;
constexpr int kPrintRuns = 3;

constexpr int kCompositeWidth = 1280;
constexpr int kCompositeHeight = 960;

struct Scene {
    ProjectData data;
    SlotImages images;
    SlotPictures pictures;
    std::unique_ptr<HeadlessRenderer> renderer;
    RenderOptions options;
};

// The sample project as the baseline test sees it, or the start-up scene for an empty path.
bool loadScene(Scene& s, const std::string& project) {
    s.data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    if (!project.empty()) {
        if (const Status loaded = loadProject(s.data, project); !loaded) {
            std::fprintf(stderr, "bench_quality: %s: %s\n", project.c_str(),
                         loaded.message().c_str());
            return false;
        }
        s.options.zoom = -4.0f;
        s.options.pitch = 0.12f;
        s.options.yaw = -0.2f;
    }
    auto made = HeadlessRenderer::create(s.data);
    if (!made) {
        std::fprintf(stderr, "bench_quality: %s\n", made.status.message().c_str());
        return false;
    }
    s.renderer = std::move(made.value);
    const std::string folder = project.substr(0, project.rfind('/'));
    if (!project.empty()) {
        // Without one of its pictures the scene is not the sample project the figures are of.
        const std::vector<UnloadedPicture> unloaded =
            restoreProjectImages(s.data, s.images, folder);
        for (const UnloadedPicture& picture : unloaded) {
            std::fprintf(stderr, "bench_quality: %s: %s\n", picture.path.c_str(),
                         picture.status.message().c_str());
        }
        if (!unloaded.empty()) {
            return false;
        }
    }
    s.pictures = {&s.images, storedPicturePaths(s.data, folder)};
    return true;
}

RgbaPicture render(Scene& s, int width, int height, RenderSettings settings) {
    s.options.width = width;
    s.options.height = height;
    settings.pictures = &s.pictures;
    RgbaPicture picture;
    if (const Status drawn = s.renderer->render(s.data, s.images, cameraFor(s.options), width,
                                                height, picture, settings);
        !drawn) {
        std::fprintf(stderr, "bench_quality: %s\n", drawn.message().c_str());
        std::exit(1);
    }
    return picture;
}

test::RgbPlane reference(Scene& s) {
    return test::boxReduced(render(s, kEdgeWidth * kReferenceFactor, kEdgeHeight * kReferenceFactor,
                                   RenderSettings{kAliasedSamples}),
                            kReferenceFactor);
}

void edgeFigures(const char* scene, const std::string& project, int samples) {
    Scene s;
    if (!loadScene(s, project)) {
        std::exit(1);
    }
    const test::RgbPlane ideal = reference(s);
    // The shapes alone: no face pictures, an untextured floor.
    ProjectData kept = s.data;
    s.data.floorTextureEnabled = 0;
    for (FaceSlot& slot : s.data.faceSlots) {
        slot.showTexture = 0;
    }
    const test::RgbPlane shapes = reference(s);
    s.data = kept;
    const RgbaPicture aliased = render(s, kEdgeWidth, kEdgeHeight, RenderSettings{kAliasedSamples});
    const RgbaPicture smooth = render(s, kEdgeWidth, kEdgeHeight, RenderSettings{samples});
    const double shapesAliased = test::edgeError(aliased, ideal, &shapes);
    const double shapesSmooth = test::edgeError(smooth, ideal, &shapes);
    const double detailAliased = test::edgeError(aliased, ideal);
    const double detailSmooth = test::edgeError(smooth, ideal);
    std::printf("edge_error_ratio_%s %.4f\n", scene, shapesSmooth / shapesAliased);
    std::printf("detail_error_ratio_%s %.4f\n", scene, detailSmooth / detailAliased);
    std::fprintf(stderr,
                 "%s: %d samples a pixel: edge error %.3f against %.3f aliased (of 255) near the "
                 "shapes' edges, %.3f against %.3f near every edge\n",
                 scene, samples, shapesSmooth, shapesAliased, detailSmooth, detailAliased);
}

// The start-up scene as the view draws it, with the view's textures: aliased, and refined by
// its passes.
void viewFigure() {
    Scene s;
    if (!loadScene(s, "")) {
        std::exit(1);
    }
    s.options.width = kEdgeWidth;
    s.options.height = kEdgeHeight;
    const Camera camera = cameraFor(s.options);
    const auto viewFrame = [&](int width, int height) {
        RgbaPicture picture;
        if (!s.renderer->render(s.data, s.images, camera, width, height, picture,
                                RenderSettings{kAliasedSamples})) {
            std::exit(1);
        }
        return picture;
    };
    const test::RgbPlane ideal = test::boxReduced(
        viewFrame(kEdgeWidth * kReferenceFactor, kEdgeHeight * kReferenceFactor), kReferenceFactor);
    const RgbaPicture aliased = viewFrame(kEdgeWidth, kEdgeHeight);

    static_cast<void>(s.renderer->makeCurrent());
    const RgbaPicture settled = test::refinedView(s.data, s.renderer->textures(s.data, s.images),
                                                  camera, kEdgeWidth, kEdgeHeight);
    if (settled.width != kEdgeWidth) {
        std::fprintf(stderr, "bench_quality: cannot refine a view here\n");
        std::exit(1);
    }
    const double aliasedError = test::edgeError(aliased, ideal);
    const double settledError = test::edgeError(settled, ideal);
    std::printf("view_settled_error_ratio %.4f\n", settledError / aliasedError);
    std::fprintf(stderr,
                 "view: %d passes: edge error %.3f against %.3f aliased (of 255) near every edge\n",
                 refinePlan().passes, settledError, aliasedError);
}

long long peakResidentBytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

// A unit cube without the editor's handles and its renderer, for pictures of its front face.
void startFrontScene(Scene& s) {
    s.data.setDimensions(1.0f, 1.0f, 1.0f);
    s.data.hideOverlays = 1;
    auto made = HeadlessRenderer::create(s.data);
    if (!made) {
        std::fprintf(stderr, "bench_quality: %s\n", made.status.message().c_str());
        std::exit(1);
    }
    s.renderer = std::move(made.value);
}

void stripes() {
    const std::string picturePath = bench::inputPath("stripes.png");
    if (!test::stripes(kStripePicture, kStripePicture, kStripeWidth)
             .save(QString::fromStdString(picturePath))) {
        std::fprintf(stderr, "bench_quality: cannot write %s\n", picturePath.c_str());
        std::exit(1);
    }
    Scene s;
    startFrontScene(s);
    const Camera camera = test::facingFront(kStripeFill);
    RgbaPicture picture;
    // The driver's code, in the baseline.
    static_cast<void>(s.renderer->render(s.data, s.images, camera, 64, 64, picture));
    picture = RgbaPicture{};
    const long long before = bench::residentBytes();

    if (const Status loaded = loadImage(s.data.faceSlots[Front], s.images[Front], picturePath);
        !loaded) {
        std::fprintf(stderr, "bench_quality: %s\n", loaded.message().c_str());
        std::exit(1);
    }
    s.pictures.kept = &s.images;
    s.pictures.paths[Front] = picturePath;
    RenderSettings settings;
    settings.pictures = &s.pictures;
    static_cast<void>(s.renderer->render(s.data, s.images, camera, kStripeOutput, kStripeOutput,
                                         picture, settings));
    static_cast<void>(
        writePicture(bench::inputPath("stripes-render.png"), picture, PictureFormat::Png));
    const long long peak = peakResidentBytes() - before;

    const auto middle = [](const RgbaPicture& p) {
        return test::stripeContrast(p, kStripeOutput * 7 / 16, kStripeOutput * 7 / 16,
                                    kStripeOutput / 8, kStripeOutput / 8);
    };
    const double outputBytes = double(kStripeOutput) * kStripeOutput * 4;
    const double pictureBytes = double(kStripePicture) * kStripePicture * 4;
    std::printf("stripe_contrast %.4f\n", middle(picture));
    std::printf("stripes_peak_vs_budget %.4f\n",
                double(peak) / (kPeakOutputShare * outputBytes + pictureBytes));
    std::fprintf(stderr, "stripes: %lld bytes at the peak, output %.0f and picture %.0f bytes\n",
                 peak, outputBytes, pictureBytes);
    {
        const FinalTextures textures(s.data, s.renderer->names(), s.pictures, camera, kStripeOutput,
                                     kStripeOutput, nullptr);
        std::printf("export_texture_vs_output %.4f\n", double(textures.bytes()) / outputBytes);
    }
    picture = RgbaPicture{};
    static_cast<void>(
        s.renderer->render(s.data, s.images, camera, kStripeOutput, kStripeOutput, picture));
    std::printf("stripe_contrast_kept %.4f\n", middle(picture));
}

// A print page: A4 at 300 dpi with a gradient, a photograph-like picture, curves and text.
QByteArray printPage() {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QPdfWriter writer(&out);
    writer.setResolution(kPrintDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF());
    QPainter painter(&writer);
    const QRect page = painter.viewport();
    QLinearGradient gradient(0, 0, page.width(), page.height());
    gradient.setColorAt(0, QColor(200, 30, 40));
    gradient.setColorAt(1, QColor(20, 40, 160));
    painter.fillRect(page, gradient);
    QImage photo(2400, 1600, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            photo.setPixel(x, y,
                           qRgb((x * 255 / photo.width() + (x * y) % 31) % 256,
                                y * 255 / photo.height(), ((x + y) / 20) % 256));
        }
    }
    painter.drawImage(QRect(200, 300, page.width() - 400, (page.width() - 400) * 2 / 3), photo);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 300; ++i) {
        painter.setPen(QPen(QColor::fromHsv(i % 360, 200, 220), 3));
        painter.drawEllipse(QPointF(page.width() / 2.0, page.height() * 0.75), 50 + i * 4,
                            30 + i * 3);
    }
    QFont font("DejaVu Sans");
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (int line = 0; line < 60; ++line) {
        painter.drawText(100, 2400 + line * 50,
                         QString("Line %1 of the box's small print: the quick brown fox jumps "
                                 "over the lazy dog 0123456789")
                             .arg(line));
    }
    painter.end();
    return bytes;
}

// An SVG front of 2-unit stripes in a 2048-unit view box declaring 64 pixels, and a PDF page
// drawn the same way, at 4096 x 4096 with the face straight on: the Michelson contrast in the
// middle of the face; and the time a one-page print PDF takes to rasterise at 4096 pixels.
void vectors() {
    Scene s;
    startFrontScene(s);
    const Camera camera = test::facingFront(kStripeFill);
    const auto keep = [](const char* name, const QByteArray& bytes) {
        const std::string path = bench::inputPath(name);
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "bench_quality: cannot write %s\n", path.c_str());
            std::exit(1);
        }
        return path;
    };
    const std::pair<const char*, QByteArray> documents[] = {
        {"svg", test::stripesSvg(kStripePicture, kStripeWidth, kDeclaredSide)},
        {"pdf", test::stripesPdf(kStripePicture, kStripeWidth)}};
    for (const auto& [kind, bytes] : documents) {
        const std::string path = keep((std::string("stripes.") + kind).c_str(), bytes);
        if (const Status loaded = loadImage(s.data.faceSlots[Front], s.images[Front], path);
            !loaded) {
            std::fprintf(stderr, "bench_quality: %s\n", loaded.message().c_str());
            std::exit(1);
        }
        s.pictures.kept = &s.images;
        s.pictures.paths[Front] = path;
        RenderSettings settings;
        settings.pictures = &s.pictures;
        RgbaPicture picture;
        static_cast<void>(s.renderer->render(s.data, s.images, camera, kStripeOutput, kStripeOutput,
                                             picture, settings));
        std::printf("vector_contrast_%s %.4f\n", kind,
                    test::stripeContrast(picture, kStripeOutput * 7 / 16, kStripeOutput * 7 / 16,
                                         kStripeOutput / 8, kStripeOutput / 8));
    }

    const std::string print = keep("print.pdf", printPage());
    // The page's own aspect, its longer side the output's.
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    const TextureSize printSize{
        static_cast<int>(std::lround(kStripeOutput * a4.width() / a4.height())), kStripeOutput};
    double best = 0.0;
    QImage raster;
    for (int run = 0; run < kPrintRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (const Status loaded = loadPictureWithin(print, printSize, raster); !loaded) {
            std::fprintf(stderr, "bench_quality: %s\n", loaded.message().c_str());
            std::exit(1);
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        best = run == 0 ? seconds : std::min(best, seconds);
    }
    std::printf("print_pdf_4096_seconds %.3f\n", best);
    std::fprintf(stderr, "vectors: a one-page A4 print PDF to %d x %d pixels in %.3f s at best\n",
                 raster.width(), raster.height(), best);
}

void composite() {
    Scene s;
    if (!loadScene(s, CARTONIC_SAMPLE_PROJECT)) {
        std::exit(1);
    }
    RenderSettings settings;
    settings.transparent = true;
    const RgbaPicture cutOut = render(s, kCompositeWidth, kCompositeHeight, settings);
    s.options.width = kCompositeWidth;
    s.options.height = kCompositeHeight;
    const Camera camera = cameraFor(s.options);
    int worst = 0;
    for (const Rgb& backdrop : {Rgb{0, 0, 0}, Rgb{1, 1, 1}, Rgb{0.5f, 0.5f, 0.5f}}) {
        // The scene over the backdrop, with the same samples and textures as the picture.
        const SceneTextures& own =
            s.renderer->textures(s.data, s.images, SceneResources::Pictures::Skip);
        const FinalTextures textures(s.data, own, s.pictures, camera, kCompositeWidth,
                                     kCompositeHeight, nullptr, picturePasses(kSmoothSamples));
        const std::vector<std::uint8_t> expected =
            test::sceneOver(s.data, textures.over(own), camera, kCompositeWidth, kCompositeHeight,
                            kSmoothSamples, backdrop)
                .rgba;
        for (std::size_t i = 0; i < expected.size(); i += 4) {
            const double a = cutOut.rgba[i + 3] / 255.0;
            for (int c = 0; c < 3; ++c) {
                const double over = a * cutOut.rgba[i + c] + (1 - a) * backdrop[c] * 255;
                worst = std::max(worst,
                                 static_cast<int>(std::lround(std::abs(over - expected[i + c]))));
            }
        }
    }
    std::printf("composite_error_max %d\n", worst);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string mode = argc == 2 || argc == 3 ? argv[1] : "";
    if (mode == "edges") {
        const int samples = argc == 3 ? std::atoi(argv[2]) : kSmoothSamples;
        edgeFigures("sample", CARTONIC_SAMPLE_PROJECT, samples);
        edgeFigures("default", "", samples);
    } else if (mode == "view") {
        viewFigure();
    } else if (mode == "stripes") {
        stripes();
    } else if (mode == "composite") {
        composite();
    } else if (mode == "vectors") {
        vectors();
    } else {
        std::fprintf(stderr,
                     "usage: bench_quality edges [SAMPLES]|view|stripes|composite|vectors\n");
        return 2;
    }
    return 0;
}
