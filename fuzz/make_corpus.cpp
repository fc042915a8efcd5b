// Writes the seed corpora of the fuzz targets: OUT/project/ and OUT/render/ with project files,
// and OUT/<format>/ with small well-formed pictures of each format in the pixel formats and
// options its writer has, plus minimal files declaring modest sizes. Small files keep the
// fuzzers fast.

#include "model/project_file.h"
#include "support/picture_files.h"
#include "support/vector_documents.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace cartonic;
using namespace cartonic::test;

namespace {

int written = 0;

void put(const std::filesystem::path& path, const Bytes& bytes) {
    if (bytes.empty()) {
        std::fprintf(stderr, "make_corpus: nothing for %s\n", path.c_str());
        return;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ++written;
}

Bytes projectBytes(const ProjectData& d) {
    Bytes bytes(kProjectFileSize);
    const std::uint32_t magic = kProjectMagic; // this platform is little-endian
    std::memcpy(bytes.data(), &magic, sizeof magic);
    std::memcpy(bytes.data() + sizeof magic, &d, sizeof d);
    return bytes;
}

void projects(const std::filesystem::path& dir) {
    ProjectData d;
    d.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    put(dir / "default.ctn", projectBytes(d));

    ProjectData edited = d;
    edited.setDimensions(7.5f, 0.5f, 30.0f);
    edited.selectedFace = Left;
    edited.faceSlots[Front].orientation = Turn270;
    setPath(edited.faceSlots[Top].imagePath, "/pictures/top.png");
    setPath(edited.faceSlots[Back].imagePath, std::string(300, 'b'));
    setPath(edited.floorImagePath, "Bilder/Fu\xc3\x9f"
                                   "boden \xe2\x82\xac.jpg");
    edited.hideOverlays = 1;
    edited.spotExponent = 100;
    put(dir / "edited.ctn", projectBytes(edited));

    const Bytes whole = projectBytes(d);
    put(dir / "magic-only.ctn", Bytes(whole.begin(), whole.begin() + 4));
    put(dir / "boxonly.ctn", Bytes(whole.begin(), whole.begin() + 16));
    put(dir / "half.ctn", Bytes(whole.begin(), whole.begin() + 2200));
    Bytes longer = whole;
    longer.insert(longer.end(), 64, 'z');
    put(dir / "trailing.ctn", longer);
}

// What follows a record: extensions with settings, pictures and a later version's part.
void extensions(const std::filesystem::path& dir) {
    const auto bytesOf = [](const ProjectExtension& e) {
        Bytes out;
        writeProjectExtension(e, [&](const void* from, std::size_t n) {
            const auto* p = static_cast<const char*>(from);
            out.insert(out.end(), p, p + n);
            return true;
        });
        return out;
    };
    ProjectExtension look;
    look.settings = {{0.5f, 0.25f}, false};
    put(dir / "look.bin", bytesOf(look));
    ProjectExtension full = look;
    full.settings.embedPictures = true;
    const Bytes png = encodePicture(noisePicture(4, 3), PictureFormat::Png);
    const QByteArray file(png.data(), static_cast<qsizetype>(png.size()));
    full.pictures.push_back({Front, "art/front.png", file, sha256Of(file)});
    full.pictures.push_back({kFloorSlot, "floor.png", file, sha256Of(file)});
    full.kept.push_back({0x5453454E, QByteArray("a later version's part")});
    put(dir / "full.bin", bytesOf(full));
}

void pictures(const std::filesystem::path& root) {
    struct Variant {
        const char* name;
        QImage picture;
    };
    const QImage noise = noisePicture(16, 12);
    QImage alpha = noisePicture(9, 7, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(200, 100, 50, 0));
    const Variant variants[] = {
        {"rgb", noise},
        {"one", noisePicture(1, 1)},
        {"odd", noisePicture(13, 5)},
        {"alpha", alpha},
        {"grey", noise.convertToFormat(QImage::Format_Grayscale8)},
        {"indexed", noise.convertToFormat(QImage::Format_Indexed8)},
        {"mono", noise.convertToFormat(QImage::Format_Mono)},
        {"rgb16", noise.convertToFormat(QImage::Format_RGB16)},
        {"deep", noise.convertToFormat(QImage::Format_RGBA64)},
    };
    for (PictureFormat format : kPictureFormats) {
        const std::filesystem::path dir = root / formatName(format);
        std::filesystem::create_directories(dir);
        for (const Variant& v : variants) {
            put(dir / (std::string(v.name) + "." + formatName(format)),
                encodePicture(v.picture, format));
        }
        put(dir / (std::string("declared.") + formatName(format)), fileDeclaring(format, 40, 30));
    }

    // Options only some writers have.
    put(root / "gif" / "interlaced.gif", encodeGif(noisePicture(10, 19), true));
    put(root / "jpeg" / "low.jpeg", encodePicture(noise, PictureFormat::Jpeg, 5));
    put(root / "tiff" / "lzw.tiff", encodePicture(noise, PictureFormat::Tiff, 90, 1));
    const auto withWriter = [&](const char* format, const char* name, auto configure) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        configure(writer);
        if (writer.write(noise)) {
            put(root / format / name, Bytes(data.begin(), data.end()));
        }
    };
    withWriter("jpeg", "progressive.jpeg",
               [](QImageWriter& w) { w.setProgressiveScanWrite(true); });
    withWriter("jpeg", "optimised.jpeg", [](QImageWriter& w) { w.setOptimizedWrite(true); });
    withWriter("jpeg", "turned.jpeg", [](QImageWriter& w) {
        w.setTransformation(QImageIOHandler::TransformationRotate90);
    });
    withWriter("tiff", "turned.tiff",
               [](QImageWriter& w) { w.setTransformation(QImageIOHandler::TransformationMirror); });
    withWriter("png", "text.png", [](QImageWriter& w) { w.setText("Title", "box"); });
}

// SVG: shapes, text, a gradient, a group used twice, an embedded picture; PDF: a page drawn by
// Qt's writer, with two pages and a non-square one.
void vectors(const std::filesystem::path& root) {
    std::filesystem::create_directories(root / "svg");
    std::filesystem::create_directories(root / "pdf");
    const auto putText = [](const std::filesystem::path& path, const QByteArray& bytes) {
        put(path, Bytes(bytes.begin(), bytes.end()));
    };
    putText(root / "svg" / "stripes.svg", test::stripesSvg(64, 2, 16));
    putText(
        root / "svg" / "features.svg",
        "<?xml version='1.0'?><svg xmlns='http://www.w3.org/2000/svg' "
        "xmlns:xlink='http://www.w3.org/1999/xlink' width='40mm' height='30mm' viewBox='0 0 40 "
        "30'><defs><linearGradient id='g'><stop offset='0' stop-color='red'/><stop offset='1' "
        "stop-color='blue' stop-opacity='0.5'/></linearGradient><g id='u'><circle cx='5' cy='5' "
        "r='4' fill='url(#g)'/></g></defs><use xlink:href='#u'/><use xlink:href='#u' x='20' "
        "transform='rotate(10)'/><path d='M1 1 L39 29 Q20 0 1 29 Z' stroke='green' "
        "fill='none'/><text x='2' y='25' font-size='6'>Box</text><image x='30' y='20' width='8' "
        "height='8' xlink:href='data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcS"
        "JAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg=='/></svg>");
    putText(root / "pdf" / "stripes.pdf", test::stripesPdf(64, 2));
    putText(root / "pdf" / "pages.pdf", test::colourPagesPdf({Qt::red, Qt::blue}, 30, 50));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus OUTDIR\n");
        return 2;
    }
    // Qt's PDF writer makes the PDF seeds; it needs a GUI application, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::filesystem::path out = argv[1];
    // The project files seed both the loader's target and the one that draws what it loaded.
    for (const char* target : {"project", "render"}) {
        std::filesystem::create_directories(out / target);
        projects(out / target);
    }
    std::filesystem::create_directories(out / "extension");
    extensions(out / "extension");
    pictures(out);
    vectors(out);
    std::printf("make_corpus: %d seed files in %s\n", written, out.c_str());
    return 0;
}
