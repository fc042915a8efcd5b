// Vector documents as pictures: which paths name one, the sizes they are drawn at, what the slot
// keeps, and the refusals.

#include "image/image_loader.h"
#include "image/picture_cache.h"
#include "image/vector_pictures.h"

#include "support/temp_dir.h"
#include "support/vector_documents.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <vector>

#include <zlib.h>

namespace cartonic {
namespace {

using test::TempDir;

void writeDocument(const std::string& path, const QByteArray& bytes) {
    test::writeBytes(path, std::vector<char>(bytes.begin(), bytes.end()));
}

// The RGB of a pixel of an RGBX8888 picture, and whether its alpha byte is 255.
QRgb rgbAt(const QImage& picture, int x, int y) {
    const std::uint8_t* p = picture.constScanLine(y) + x * 4;
    EXPECT_EQ(p[3], 0xff);
    return qRgb(p[0], p[1], p[2]);
}

void expectRgbNear(QRgb actual, QRgb expected, const char* where) {
    SCOPED_TRACE(where);
    EXPECT_NEAR(qRed(actual), qRed(expected), 2);
    EXPECT_NEAR(qGreen(actual), qGreen(expected), 2);
    EXPECT_NEAR(qBlue(actual), qBlue(expected), 2);
}

TEST(VectorSource, NamedByExtensionAndAPdfPageByItsFragment) {
    struct Case {
        std::string path;
        bool vector;
        std::string file;
        VectorKind kind;
        int page;
        std::optional<std::string> unnumbered = std::nullopt;
    };
    const std::vector<Case> cases = {
        {"art/front.svg", true, "art/front.svg", VectorKind::Svg, 1},
        {"FRONT.SVGZ", true, "FRONT.SVGZ", VectorKind::Svg, 1},
        {"box.PDF", true, "box.PDF", VectorKind::Pdf, 1},
        {"box.pdf#page=3", true, "box.pdf", VectorKind::Pdf, 3},
        {"box.pdf#PAGE=12", true, "box.pdf", VectorKind::Pdf, 12},
        {"box.pdf#page=0", true, "box.pdf", VectorKind::Pdf, 0},
        {"a#page=2.pdf", true, "a#page=2.pdf", VectorKind::Pdf, 1},
        {"box.pdf#page=", true, "box.pdf", VectorKind::Pdf, 0, ""},
        {"box.pdf#Page=1x", true, "box.pdf", VectorKind::Pdf, 0, "1x"},
        {"box.pdf#page=-1", true, "box.pdf", VectorKind::Pdf, 0, "-1"},
        {"box.pdf#page=1234567890", true, "box.pdf", VectorKind::Pdf, 0, "1234567890"},
        {"front.svg#page=2", false, "", VectorKind::Svg, 0},
        {"front.png", false, "", VectorKind::Svg, 0},
        {"svg", false, "", VectorKind::Svg, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::optional<VectorSource> source = vectorSource(c.path);
        ASSERT_EQ(source.has_value(), c.vector);
        EXPECT_EQ(pictureFileOf(c.path), c.vector ? c.file : c.path);
        if (source) {
            EXPECT_EQ(source->file, c.file);
            EXPECT_EQ(source->kind, c.kind);
            EXPECT_EQ(source->page, c.page);
            EXPECT_EQ(source->unnumberedPage, c.unnumbered);
        }
    }
}

TEST(VectorSource, KindToldByContentAndFullSizeByAspect) {
    EXPECT_EQ(vectorKindOf("%PDF-1.4\n"), VectorKind::Pdf);
    EXPECT_EQ(vectorKindOf("\xef\xbb\xbf <?xml version='1.0'?><svg/>"), VectorKind::Svg);
    EXPECT_EQ(vectorKindOf(QByteArray("\x1f\x8b\x08", 3)), VectorKind::Svg);
    EXPECT_EQ(vectorKindOf("\x89PNG\r\n"), std::nullopt);
    EXPECT_EQ(vectorKindOf("\n <!-- a drawing -->\n<svg/>"), VectorKind::Svg);
    EXPECT_EQ(vectorKindOf(QByteArray("\xff\xfe<\0s\0", 6)), VectorKind::Svg);
    EXPECT_EQ(vectorKindOf("text <svg"), std::nullopt);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::pair<QSizeF, QSize>> sizes = {
        {{2048, 2048}, {kMaxVectorSide, kMaxVectorSide}},
        {{64, 32}, {kMaxVectorSide, kMaxVectorSide / 2}},
        {{595.3, 841.9}, {5792, kMaxVectorSide}},
        {{1, 1e9}, {1, kMaxVectorSide}},
        {{0, 10}, {}},
        {{-5, 10}, {}},
        {{nan, 10}, {}},
        {{std::numeric_limits<double>::infinity(), 10}, {}},
    };
    for (const auto& [document, full] : sizes) {
        EXPECT_EQ(vectorFullSize(document), full) << document.width() << " x " << document.height();
    }
}

TEST(VectorPictures, SlotKeepsTheViewsCopyAndTheDocumentsAspect) {
    TempDir dir;
    // Left half red; the right half is left transparent, which keeps its colour bytes, black, as
    // a transparent picture's do.
    writeDocument(dir.file("half.svg"),
                  "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10' viewBox='0 0 200 "
                  "100'><rect width='100' height='100' fill='rgb(220,30,40)'/></svg>");
    writeDocument(dir.file("pages.pdf"),
                  test::colourPagesPdf({QColor(40, 50, 210), QColor(30, 200, 60)}));
    struct Case {
        std::string name;
        QRgb left;
        QRgb undrawn;
    };
    for (const Case& c : {Case{"half.svg", qRgb(220, 30, 40), qRgb(0, 0, 0)},
                          Case{"pages.pdf", qRgb(40, 50, 210), qRgb(255, 255, 255)},
                          Case{"pages.pdf#page=2", qRgb(30, 200, 60), qRgb(255, 255, 255)}}) {
        SCOPED_TRACE(c.name);
        FaceSlot slot{};
        SlotImage image;
        const Status loaded = loadImage(slot, image, dir.file(c.name));
        ASSERT_TRUE(loaded) << loaded.message();
        EXPECT_EQ(slot.imageWidth, kMaxVectorSide);
        EXPECT_EQ(slot.imageHeight, kMaxVectorSide / 2);
        ASSERT_EQ(image.image.size(), QSize(kMaxTextureSide, kMaxTextureSide / 2));
        EXPECT_EQ(image.image.format(), QImage::Format_RGBX8888);
        expectRgbNear(rgbAt(image.image, 10, 10), c.left, "left");
        expectRgbNear(rgbAt(image.image, kMaxTextureSide - 10, 10), c.undrawn, "top right");
    }
}

QByteArray pngOf(const QImage& picture) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    picture.save(&out, "png");
    return bytes;
}

QByteArray filled(QColor colour) {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(colour);
    return pngOf(picture);
}

// Each cell of a document is drawn only from inside it or not at all: pictures its links name on
// disk (absolute and relative), a style sheet an instruction names and a drawing inside a data:
// link that names a file of its own are not read; a picture inside a data: link is drawn.
TEST(VectorPictures, DrawOnlyWhatTheDocumentHolds) {
    TempDir dir;
    const std::string red = dir.file("red.png");
    writeDocument(red, filled(Qt::red));
    const std::string css = dir.file("style.css");
    writeDocument(css, ".styled { fill: red }");
    const QByteArray inner = "<svg xmlns='http://www.w3.org/2000/svg' "
                             "xmlns:xlink='http://www.w3.org/1999/xlink' width='4' height='4'>"
                             "<image width='4' height='4' xlink:href='" +
                             QByteArray::fromStdString(red) + "'/></svg>";
    const auto image = [](int cell, const QByteArray& link) {
        return "<image x='" + QByteArray::number(cell * 10) +
               "' width='10' height='10' xlink:href='" + link + "'/>";
    };
    const QByteArray document =
        "<?xml-stylesheet type=\"text/css\" href=\"" + QByteArray::fromStdString(css) +
        "\"?>\n<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
        "width='50' height='10' viewBox='0 0 50 10'><rect width='50' height='10' "
        "fill='rgb(30,200,60)'/>" +
        image(0, QByteArray::fromStdString(red)) +
        image(1, QByteArray::fromStdString(std::filesystem::relative(red).string())) +
        image(2, "data:image/png;base64," + filled(Qt::blue).toBase64()) +
        "<rect class='styled' x='30' width='10' height='10'/>" +
        image(4, "data:image/svg+xml;base64," + inner.toBase64()) + "</svg>";
    writeDocument(dir.file("art.svg"), document);
    gzFile packed = gzopen(dir.file("art.svgz").c_str(), "wb");
    ASSERT_NE(packed, nullptr);
    gzwrite(packed, document.constData(), static_cast<unsigned>(document.size()));
    gzclose(packed);

    const QRgb green = qRgb(30, 200, 60);
    const QRgb cells[] = {green, green, qRgb(0, 0, 255), qRgb(0, 0, 0), green};
    for (const char* name : {"art.svg", "art.svgz"}) {
        SCOPED_TRACE(name);
        QImage picture;
        const Status loaded = loadPictureWithin(dir.file(name), {50, 10}, picture);
        ASSERT_TRUE(loaded) << loaded.message();
        ASSERT_EQ(picture.size(), QSize(50, 10));
        for (int cell = 0; cell < 5; ++cell) {
            expectRgbNear(rgbAt(picture, cell * 10 + 5, 5), cells[cell],
                          std::to_string(cell).c_str());
        }
    }
}

// Whatever a file is called, its content chooses the drawing: a vector document is drawn in the
// child at its full size of kMaxVectorSide, a picture by the decoders at its own size. Held in
// memory under the name, the same.
TEST(VectorPictures, ContentNotTheNameChoosesTheDrawing) {
    QImage plain(6, 3, QImage::Format_RGB32);
    plain.fill(qRgb(40, 50, 210));
    const QByteArray png = pngOf(plain);
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'>"
                           "<rect width='20' height='10' fill='rgb(220,30,40)'/></svg>";
    const QByteArray pdf = test::colourPagesPdf({QColor(30, 200, 60)});
    struct Case {
        const char* name;
        const QByteArray& bytes;
        int width;
        QRgb colour;
    };
    const Case cases[] = {
        {"drawing.png", svg, kMaxVectorSide, qRgb(220, 30, 40)},
        {"drawing", svg, kMaxVectorSide, qRgb(220, 30, 40)},
        {"picture.svg", png, 6, qRgb(40, 50, 210)},
        {"picture.pdf#page=2", png, 6, qRgb(40, 50, 210)},
        {"page.png", pdf, kMaxVectorSide, qRgb(30, 200, 60)},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        writeDocument(pictureFileOf(path), c.bytes);
        FaceSlot fromFile{};
        FaceSlot fromBytes{};
        SlotImage fileImage;
        SlotImage bytesImage;
        const Status file = loadImage(fromFile, fileImage, path);
        const Status memory = loadImageBytes(fromBytes, bytesImage, c.bytes, path);
        ASSERT_TRUE(file) << file.message();
        ASSERT_TRUE(memory) << memory.message();
        EXPECT_EQ(fromFile.imageWidth, c.width);
        EXPECT_EQ(fromBytes.imageWidth, c.width);
        expectRgbNear(rgbAt(fileImage.image, 1, 1), c.colour, "file");
        expectRgbNear(rgbAt(bytesImage.image, 1, 1), c.colour, "bytes");
    }
}

TEST(VectorPictures, DrawnAtTheSizeAskedNotReducedFromASmallerCopy) {
    TempDir dir;
    // A view box of 2048 units declaring 64 pixels, of 2-unit stripes.
    const std::string path = dir.file("stripes.svg");
    writeDocument(path, test::stripesSvg(2048, 2, 64));
    writeDocument(dir.file("stripes.pdf"), test::stripesPdf(2048, 2));
    for (const std::string& name : {std::string("stripes.svg"), std::string("stripes.pdf")}) {
        SCOPED_TRACE(name);
        QImage picture;
        ASSERT_TRUE(loadPictureWithin(dir.file(name), {2048, 512}, picture));
        ASSERT_EQ(picture.size(), QSize(2048, 512));
        for (int x = 0; x < 8; ++x) {
            const int expected = (x / 2) % 2 == 0 ? 0 : 255;
            EXPECT_NEAR(qGreen(rgbAt(picture, x + 1000, 100)), expected, 8) << x;
        }
        // The view's copy holds a stripe in half a texel: grey.
        FaceSlot slot{};
        SlotImage kept;
        ASSERT_TRUE(loadImage(slot, kept, dir.file(name)));
        EXPECT_NEAR(qGreen(rgbAt(kept.image, 200, 200)), 128, 16);
    }

    // Each page of a document is a picture of its own in the cache; a second load is a hit.
    writeDocument(dir.file("pages.pdf"), test::colourPagesPdf({Qt::red, Qt::blue}));
    PictureCache cache;
    QImage first;
    QImage second;
    ASSERT_TRUE(cache.loadWithin(dir.file("pages.pdf#page=1"), {64, 32}, first));
    ASSERT_TRUE(cache.loadWithin(dir.file("pages.pdf#page=2"), {64, 32}, second));
    ASSERT_TRUE(cache.loadWithin(dir.file("pages.pdf#page=1"), {64, 32}, first));
    EXPECT_EQ(cache.misses(), 2u);
    EXPECT_EQ(cache.hits(), 1u);
    expectRgbNear(rgbAt(first, 2, 2), qRgb(255, 0, 0), "page 1");
    expectRgbNear(rgbAt(second, 2, 2), qRgb(0, 0, 255), "page 2");
}

// A PDF with a standard security handler whose empty user password does not open it.
QByteArray encryptedPdf() {
    QByteArray pdf = "%PDF-1.4\n";
    std::vector<qsizetype> offsets;
    const auto object = [&](const QByteArray& body) {
        offsets.push_back(pdf.size());
        pdf += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>");
    object("<< /Filter /Standard /V 1 /R 2 /P -4 /O <" + QByteArray(64, 'a') + "> /U <" +
           QByteArray(64, 'b') + "> >>");
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 5\n0000000000 65535 f \n";
    for (const qsizetype at : offsets) {
        pdf += QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size 5 /Root 1 0 R /Encrypt 4 0 R /ID [<00112233> <00112233>] >>\n"
           "startxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

TEST(VectorPictures, RefusalsSayWhyAndLeaveTheSlotAlone) {
    TempDir dir;
    writeDocument(dir.file("empty.svg"), "");
    writeDocument(dir.file("text.svg"), "this is no drawing");
    writeDocument(dir.file("sizeless.svg"), "<svg xmlns='http://www.w3.org/2000/svg'/>");
    writeDocument(dir.file("damaged.pdf"), test::colourPagesPdf({Qt::red}).left(200));
    writeDocument(dir.file("locked.pdf"), encryptedPdf());
    writeDocument(dir.file("two.pdf"), test::colourPagesPdf({Qt::red, Qt::blue}));
    writeDocument(dir.file("one.pdf"), test::colourPagesPdf({Qt::red}));
    writeDocument(dir.file("unclosed.svg"), "<svg xmlns='http://www.w3.org/2000/svg'><rect>");
    // Each entity ten of the one before: a hundred million characters from a few hundred bytes.
    QByteArray entities = "<!ENTITY e0 'xxxxxxxxxx'>";
    for (int n = 1; n < 8; ++n) {
        entities += "<!ENTITY e" + QByteArray::number(n) + " '" +
                    QByteArray("&e" + QByteArray::number(n - 1) + ";").repeated(10) + "'>";
    }
    writeDocument(dir.file("bomb.svg"),
                  "<!DOCTYPE svg [" + entities +
                      "]><svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'><text>&e7;"
                      "</text></svg>");
    std::filesystem::create_directory(dir.file("folder.svg"));
    struct Case {
        std::string name;
        Status::Kind kind;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"missing.svg", Status::Kind::NotFound, "cannot open"},
        {"folder.svg", Status::Kind::Unreadable, "not a regular file"},
        {"empty.svg", Status::Kind::BadFormat, "empty file"},
        {"text.svg", Status::Kind::BadFormat, "not an SVG document"},
        {"unclosed.svg", Status::Kind::BadFormat, "not an SVG document"},
        {"bomb.svg", Status::Kind::BadFormat, "not an SVG document"},
        {"sizeless.svg", Status::Kind::BadFormat, "no size"},
        {"damaged.pdf", Status::Kind::BadFormat, "not a PDF document"},
        {"locked.pdf", Status::Kind::BadFormat, "password"},
        {"two.pdf#page=3", Status::Kind::BadFormat, "no page 3 (it has 2)"},
        {"two.pdf#page=0", Status::Kind::BadFormat, "no page 0"},
        {"two.pdf#page=abc", Status::Kind::BadFormat,
         "\u201cabc\u201d is no page number: the document has pages 1 to 2"},
        {"two.pdf#page=-1", Status::Kind::BadFormat, "\u201c-1\u201d is no page number"},
        {"two.pdf#page=1234567890", Status::Kind::BadFormat, "\u201c1234567890\u201d is no page"},
        {"two.pdf#page=", Status::Kind::BadFormat,
         "no page number follows \u201c#page=\u201d: the document has pages 1 to 2"},
        {"one.pdf#page=x", Status::Kind::BadFormat, "the document has one page"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaceSlot slot{};
        slot.imageWidth = 3;
        SlotImage image;
        image.image = QImage(3, 2, QImage::Format_RGBX8888);
        const QImage before = image.image;
        const Status loaded = loadImage(slot, image, dir.file(c.name));
        EXPECT_EQ(loaded.kind(), c.kind);
        EXPECT_NE(loaded.message().find(c.says), std::string::npos) << loaded.message();
        EXPECT_EQ(loaded.message().find('\n'), std::string::npos);
        EXPECT_EQ(slot.imageWidth, 3);
        EXPECT_EQ(image.image.constBits(), before.constBits());
    }
}

} // namespace
} // namespace cartonic
