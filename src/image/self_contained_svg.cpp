#include "image/self_contained_svg.h"

#include "image/image_loader.h"
#include "image/picture_format.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <string>

#include <zlib.h>

namespace cartonic {

namespace {

// zlib's window bits for a stream with a gzip header.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;
constexpr qsizetype kUnpackStep = qsizetype{1} << 20;
// Enough of a data: link's base64 text to tell the picture's format by its first bytes.
constexpr qsizetype kDataHeadChars = 256;
constexpr QLatin1String kBase64Mark("base64,");

Result<QByteArray> unpacked(const QByteArray& packed) {
    z_stream stream{};
    if (inflateInit2(&stream, kGzipWindowBits) != Z_OK) {
        return Status::unavailable("no memory to unpack the document");
    }
    struct End {
        z_stream& stream;
        ~End() { inflateEnd(&stream); }
    } end{stream};
    // Files are at most kMaxImageLoadBytes, which zlib's counts hold.
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = static_cast<uInt>(packed.size());
    QByteArray text;
    for (;;) {
        const qsizetype at = text.size();
        // One byte past the bound, so that a document of exactly the bound still unpacks.
        const qsizetype step = std::min(kUnpackStep, kMostUnpackedSvgBytes + 1 - at);
        if (step <= 0) {
            return Status::tooLarge("the compressed document unpacks to more than " +
                                    std::to_string(kMostUnpackedSvgBytes >> 20) + " MB");
        }
        text.resize(at + step);
        stream.next_out = reinterpret_cast<Bytef*>(text.data() + at);
        stream.avail_out = static_cast<uInt>(step);
        const int result = inflate(&stream, Z_NO_FLUSH);
        text.resize(at + step - static_cast<qsizetype>(stream.avail_out));
        if (result == Z_STREAM_END) {
            return text;
        }
        if (result == Z_BUF_ERROR) {
            return Status::badFormat("the compressed document is cut short");
        }
        if (result != Z_OK) {
            return Status::badFormat("the compressed document is damaged");
        }
    }
}

QStringView localName(QStringView qualified) {
    return qualified.sliced(qualified.lastIndexOf(u':') + 1);
}

// Whether a data: link holds a raster picture, read as Qt's SVG code reads it: the base64 text
// after the last "base64,". An SVG inside would be read with its links unchecked.
bool rasterDataLink(QStringView link) {
    if (!link.startsWith(u"data:")) {
        return false;
    }
    const qsizetype mark = link.lastIndexOf(kBase64Mark);
    if (mark < 0) {
        return false;
    }
    const QByteArray head = QByteArray::fromBase64(
        link.sliced(mark + kBase64Mark.size()).left(kDataHeadChars).toLatin1());
    return !pictureFormatOf(head).isEmpty();
}

// Whether Qt's SVG code, following link on the element, stays inside the document. On an
// <image> a link is a file's name unless it is a data: link, "#id" included.
bool staysInside(QStringView element, QStringView link) {
    const QStringView trimmed = link.trimmed();
    return localName(element) == u"image" ? rasterDataLink(trimmed) : trimmed.startsWith(u'#');
}

} // namespace

Result<QByteArray> selfContainedSvg(const QByteArray& bytes) {
    const bool packed = bytes.startsWith("\x1f\x8b");
    QByteArray plain;
    if (packed) {
        Result<QByteArray> text = unpacked(bytes);
        if (!text) {
            return text.status;
        }
        plain.swap(text.value);
    }
    // Names are copied as written, prefixes and all: Qt's SVG code looks attributes up by their
    // written names ("xlink:href"), and the declarations of the prefixes are attributes here.
    QXmlStreamReader reader(packed ? plain : bytes);
    reader.setNamespaceProcessing(false);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    writer.writeStartDocument();
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView element = reader.qualifiedName();
            writer.writeStartElement(element.toString());
            for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                if (localName(attribute.qualifiedName()) != u"href" ||
                    staysInside(element, attribute.value())) {
                    writer.writeAttribute(attribute.qualifiedName().toString(),
                                          attribute.value().toString());
                }
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (reader.isCDATA()) {
                writer.writeCDATA(reader.text().toString());
            } else {
                writer.writeCharacters(reader.text().toString());
            }
            break;
        default:
            // The prolog, the document type, processing instructions, comments and references
            // to entities the reader could not replace.
            break;
        }
    }
    if (reader.hasError()) {
        return Status::badFormat("not an SVG document that can be read (line " +
                                 std::to_string(reader.lineNumber()) + ": " +
                                 reader.errorString().toStdString() + ")");
    }
    writer.writeEndDocument();
    return out;
}

} // namespace cartonic
