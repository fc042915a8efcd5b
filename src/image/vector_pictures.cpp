#include "image/vector_pictures.h"

#include "image/decoder_messages.h"
#include "image/self_contained_svg.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfDocument>
#include <QSvgRenderer>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

namespace cartonic {

namespace {

constexpr std::string_view kPageFragment = "#page=";
// More digits than any page number a document holds; a longer number is no page.
constexpr std::size_t kMostPageDigits = 9;
// How far into the bytes markup's first character is looked for, past blanks.
constexpr qsizetype kMarkupStartWithin = 4096;
// How much of what stands in a page number's place a message quotes.
constexpr std::size_t kMostQuotedPageBytes = 24;
// A PDF is drawn with its longer side at least this long (up to kMostPdfSupersampling times the
// size asked) and averaged down: the PDF library widens every shape thinner than a pixel to a
// whole pixel, which would darken fine detail in small pictures, the view's copy above all.
constexpr int kLeastPdfDrawnSide = 2048;
constexpr int kMostPdfSupersampling = 4;

// Whether text ends with ending (lower case), whatever the case of text.
bool endsWithNoCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), text.end() - ending.size(),
                      [](char lower, char c) {
                          return std::tolower(static_cast<unsigned char>(c)) == lower;
                      });
}

// A "#page=" fragment ending a path: where it starts, the page it names (0 for none) and, when
// it is no page number, what follows "#page=".
struct PageFragment {
    std::size_t at = 0;
    int page = 0;
    std::optional<std::string> unnumbered;
};

std::optional<PageFragment> pageFragment(std::string_view path) {
    const std::size_t at = path.rfind('#');
    if (at == std::string_view::npos ||
        !endsWithNoCase(path.substr(0, at + kPageFragment.size()), kPageFragment)) {
        return std::nullopt;
    }
    const std::string_view digits = path.substr(at + kPageFragment.size());
    if (digits.empty() || digits.size() > kMostPageDigits ||
        !std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        return PageFragment{at, 0, std::string(digits)};
    }
    return PageFragment{at, std::stoi(std::string(digits)), std::nullopt};
}

// What a fragment held instead of a page number, fit to quote in a one-line message.
std::string quotedPage(const std::string& written) {
    std::string shown;
    for (const char c : written) {
        // Cut at the start of a character, never inside one.
        if (shown.size() >= kMostQuotedPageBytes &&
            (static_cast<unsigned char>(c) & 0xc0) != 0x80) {
            shown += "\u2026";
            break;
        }
        shown += static_cast<unsigned char>(c) < ' ' ? '?' : c;
    }
    return "\u201c" + shown + "\u201d";
}

// A reason with the first thing the library said, which is often the more telling.
Status documentError(const std::string& reason, const DecoderMessages& said) {
    const std::string first = said.first();
    return Status::badFormat(first.empty() ? reason : reason + " (" + first + ")");
}

Status drawSvg(const QByteArray& bytes, const PictureSizeRule& sizeFor, QImage& picture,
               QSize& full) {
    const Result<QByteArray> document = selfContainedSvg(bytes);
    if (!document) {
        return document.status;
    }
    const DecoderMessages said;
    QSvgRenderer renderer;
    if (!renderer.load(document.value) || !renderer.isValid()) {
        return documentError("not an SVG document that can be read", said);
    }
    QSizeF size = renderer.viewBoxF().size();
    if (size.isEmpty()) {
        size = renderer.defaultSize();
    }
    const QSize fullSize = vectorFullSize(size);
    if (fullSize.isEmpty()) {
        return Status::badFormat("the document has no size");
    }
    const TextureSize target = sizeFor(fullSize.width(), fullSize.height());
    QImage canvas(target.width, target.height, QImage::Format_RGBA8888_Premultiplied);
    if (canvas.isNull()) {
        return Status::tooLarge("not enough memory to draw the document");
    }
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, target.width, target.height));
    painter.end();
    picture.swap(canvas);
    full = fullSize;
    return {};
}

// The colours of a straight-alpha ARGB32 picture laid on white, opaque.
void onWhite(QImage& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int a = qAlpha(row[x]);
            const auto blend = [a](int c) {
                return (c * a + 255 * (255 - a) + 127) / 255;
            };
            row[x] = qRgb(blend(qRed(row[x])), blend(qGreen(row[x])), blend(qBlue(row[x])));
        }
    }
}

// unnumbered, when given, is what stood in place of the page number.
Status drawPdf(const QByteArray& bytes, int page, const std::optional<std::string>& unnumbered,
               const PictureSizeRule& sizeFor, QImage& picture, QSize& full) {
    const DecoderMessages said;
    QByteArray held = bytes;
    QBuffer buffer(&held);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    if (document.status() != QPdfDocument::Status::Ready) {
        return document.error() == QPdfDocument::Error::IncorrectPassword
                   ? Status::badFormat("the document is protected by a password")
                   : documentError("not a PDF document that can be read", said);
    }
    const int pages = document.pageCount();
    if (pages < 1) {
        return Status::badFormat("the document has no pages");
    }
    if (unnumbered) {
        return Status::badFormat(
            (unnumbered->empty() ? "no page number follows \u201c#page=\u201d"
                                 : quotedPage(*unnumbered) + " is no page number") +
            ": the document has " +
            (pages == 1 ? std::string("one page") : "pages 1 to " + std::to_string(pages)));
    }
    if (page < 1 || page > pages) {
        return Status::badFormat("the document has no page " + std::to_string(page) + " (it has " +
                                 std::to_string(pages) + ")");
    }
    const QSize fullSize = vectorFullSize(document.pagePointSize(page - 1));
    if (fullSize.isEmpty()) {
        return Status::badFormat("the page has no size");
    }
    const TextureSize target = sizeFor(fullSize.width(), fullSize.height());
    const int factor = std::clamp(kLeastPdfDrawnSide / std::max(target.width, target.height), 1,
                                  kMostPdfSupersampling);
    QImage drawn = document.render(page - 1, QSize(target.width * factor, target.height * factor));
    if (drawn.isNull()) {
        return Status::tooLarge("not enough memory to draw the document");
    }
    drawn.convertTo(QImage::Format_ARGB32);
    // A page is paper: what it leaves undrawn is white, as every viewer and printer shows it.
    onWhite(drawn);
    if (factor > 1) {
        QImage reduced(target.width, target.height, QImage::Format_ARGB32);
        if (reduced.isNull()) {
            return Status::tooLarge("not enough memory to draw the document");
        }
        // The averaging treats the four bytes of a pixel alike, whatever their order.
        averageRgbaPicture(drawn.constBits(), drawn.width(), drawn.height(), reduced.bits(),
                           target.width, target.height);
        drawn.swap(reduced);
    }
    picture.swap(drawn);
    full = fullSize;
    return {};
}

} // namespace

std::optional<VectorSource> vectorSource(const std::string& path) {
    if (endsWithNoCase(path, ".svg") || endsWithNoCase(path, ".svgz")) {
        return VectorSource{path, VectorKind::Svg, 1, std::nullopt};
    }
    if (endsWithNoCase(path, ".pdf")) {
        return VectorSource{path, VectorKind::Pdf, 1, std::nullopt};
    }
    if (std::optional<PageFragment> fragment = pageFragment(path);
        fragment && endsWithNoCase(std::string_view(path).substr(0, fragment->at), ".pdf")) {
        return VectorSource{path.substr(0, fragment->at), VectorKind::Pdf, fragment->page,
                            std::move(fragment->unnumbered)};
    }
    return std::nullopt;
}

std::string pictureFileOf(const std::string& path) {
    const std::optional<VectorSource> source = vectorSource(path);
    return source ? source->file : path;
}

std::optional<VectorKind> vectorKindOf(const QByteArray& bytes) {
    if (bytes.startsWith("%PDF-")) {
        return VectorKind::Pdf;
    }
    // Compressed SVG; whether it is one shows when it is read.
    if (bytes.startsWith("\x1f\x8b")) {
        return VectorKind::Svg;
    }
    // Text in UTF-16, which only markup would be here.
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        return VectorKind::Svg;
    }
    const QByteArray head = bytes.left(kMarkupStartWithin);
    const QByteArray trimmed =
        head.startsWith("\xef\xbb\xbf") ? head.mid(3).trimmed() : head.trimmed();
    if (trimmed.startsWith('<')) {
        return VectorKind::Svg;
    }
    return std::nullopt;
}

QSize vectorFullSize(QSizeF documentSize) {
    const double width = documentSize.width();
    const double height = documentSize.height();
    if (!(width > 0.0) || !(height > 0.0) || !std::isfinite(width) || !std::isfinite(height)) {
        return {};
    }
    const double longer = std::max(width, height);
    const auto side = [longer](double length) {
        return std::max(1, static_cast<int>(std::lround(kMaxVectorSide * (length / longer))));
    };
    return {side(width), side(height)};
}

Status drawVectorDocument(const QByteArray& bytes, VectorKind kind, int page,
                          const PictureSizeRule& sizeFor, QImage& picture, QSize& full) {
    return drawVectorDocument(bytes, VectorSource{{}, kind, page, std::nullopt}, sizeFor, picture,
                              full);
}

Status drawVectorDocument(const QByteArray& bytes, const VectorSource& source,
                          const PictureSizeRule& sizeFor, QImage& picture, QSize& full) {
    if (bytes.isEmpty()) {
        return Status::badFormat("empty file");
    }
    return source.kind == VectorKind::Svg
               ? drawSvg(bytes, sizeFor, picture, full)
               : drawPdf(bytes, source.page, source.unnumberedPage, sizeFor, picture, full);
}

} // namespace cartonic
