// bench_make_inputs DIR: writes the benchmark pictures into DIR: photo.ppm and photo.png, a
// 3000 x 2000 photograph-like picture (smooth gradients with a little grain, so JPEG and PNG
// work as hard as on a real photo), large.ppm, the same at 6000 x 4000, grey.png, a flat
// 11000 x 11000 greyscale picture, and tiny.ppm, 16 x 16, for warming the codec up.
// scripts/bench.sh turns the PPM files into JPEG with the reference encoder.

#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int kPhotoWidth = 3000;
constexpr int kPhotoHeight = 2000;
constexpr int kTinySide = 16;
// A camera's photograph, for the slot load that decodes at a fraction of the size.
constexpr int kLargeWidth = 6000;
constexpr int kLargeHeight = 4000;
// A scan-sized greyscale picture that compresses to almost nothing: what a project of such
// pictures holds in memory, not on disk.
constexpr int kGreySide = 11000;
constexpr int kGreyLevel = 128;
constexpr int kGrain = 12; // peak-to-peak noise in levels

QImage photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    std::uint32_t seed = 12345;
    const auto grain = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>(seed >> 24) % kGrain - kGrain / 2;
    };
    const auto level = [](double v) {
        return static_cast<int>(std::lround(v));
    };
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.scanLine(y);
        const double v = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double wave = 40.0 * std::sin(6.0 * u + 4.0 * v) * std::cos(5.0 * v - 2.0 * u);
            const int channels[3] = {level(60 + 150 * u + wave), level(40 + 170 * v - wave),
                                     level(200 - 120 * u * v + wave / 2)};
            for (int c = 0; c < 3; ++c) {
                row[3 * x + c] =
                    static_cast<std::uint8_t>(std::clamp(channels[c] + grain(), 0, 255));
            }
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QImage big = photo(kPhotoWidth, kPhotoHeight);
    QImage grey(kGreySide, kGreySide, QImage::Format_Grayscale8);
    grey.fill(qRgb(kGreyLevel, kGreyLevel, kGreyLevel));
    const bool ok = big.save(dir + "/photo.ppm", "PPM") && big.save(dir + "/photo.png", "PNG") &&
                    photo(kTinySide, kTinySide).save(dir + "/tiny.ppm", "PPM") &&
                    photo(kLargeWidth, kLargeHeight).save(dir + "/large.ppm", "PPM") &&
                    grey.save(dir + "/grey.png", "PNG");
    if (!ok) {
        std::fprintf(stderr, "%s: cannot write the pictures into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
