#pragma once

// Vector documents as a slot's picture: an SVG drawing, or a page of a PDF. They have no pixels of
// their own, so each use rasterises them at the size it needs: the view's copy at the slot's
// texture size, an export's texture at the texels the output needs of the face, up to
// kMaxVectorSide a side. A file's content tells whether it holds one (its name only where the
// content says nothing); a PDF's page is named by the fragment "#page=N" after a name ending in
// .pdf (the first page without it). The drawing here is what the drawing program runs; both
// programs draw through it (image/drawing_program.h), so that a document that takes too long or
// too much memory is refused rather than holding up the program. An SVG is drawn self-contained
// (image/self_contained_svg.h): nothing it links to outside itself is read.

#include "base/status.h"
#include "image/picture_reduction.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>

#include <functional>
#include <optional>
#include <string>

namespace cartonic {

// The longest side, in pixels, a vector document is ever rasterised at; its full size, as the
// slot records a picture file's own size, is its aspect at this longest side.
inline constexpr int kMaxVectorSide = 8192;

enum class VectorKind { Svg, Pdf };

// A vector document as a picture path names it.
struct VectorSource {
    std::string file; // the path without its fragment
    VectorKind kind = VectorKind::Svg;
    int page = 1; // a PDF's page, from 1; 0 for a fragment that names none
    // What follows "#page=" when it is no page number ("", "abc", "-1"), for the refusal to quote;
    // nullopt for a page number or no fragment.
    std::optional<std::string> unnumberedPage;
};

// The size a picture is rasterised at, given its full size (width, height).
using PictureSizeRule = std::function<TextureSize(int, int)>;

// The vector document path names: a name ending in .svg or .svgz, or .pdf optionally followed by
// a "#page=" fragment (any case; one that is no page number is kept in unnumberedPage); nullopt
// for every other path, a picture file's. Pure.
std::optional<VectorSource> vectorSource(const std::string& path);

// The file a picture path opens: path without a PDF's page fragment. Pure.
std::string pictureFileOf(const std::string& path);

// The kind of vector document bytes hold, told by their first bytes: a PDF header; markup (an XML
// or SVG start, past a byte order mark and blanks), which no picture format starts with; gzip,
// for compressed SVG. nullopt for anything else. Pure.
std::optional<VectorKind> vectorKindOf(const QByteArray& bytes);

// A document's full size for its size in its own units (an SVG's view box, a PDF page's points):
// the same aspect with the longer side kMaxVectorSide, each side at least 1. An empty or
// unusable size gives an empty QSize. Pure.
QSize vectorFullSize(QSizeF documentSize);

// Rasterises page (from 1; ignored for SVG) of the document bytes hold at sizeFor(its full size),
// in this process and without bounds on time or memory: what the drawing program runs, and what
// the fuzz targets call. picture gets the drawing (SVG: transparent where nothing is drawn,
// premultiplied; PDF: on white, as paper), full the full size; an SVG is drawn as
// selfContainedSvg makes it. BadFormat for a damaged, empty, encrypted or sizeless document or a
// page it lacks, TooLarge for compressed SVG that unpacks past its bound. Needs a
// QGuiApplication for SVG text.
Status drawVectorDocument(const QByteArray& bytes, VectorKind kind, int page,
                          const PictureSizeRule& sizeFor, QImage& picture, QSize& full);
// The same with source's kind and page, and the refusal of a page fragment that is no number
// (source.unnumberedPage); its file is not read.
Status drawVectorDocument(const QByteArray& bytes, const VectorSource& source,
                          const PictureSizeRule& sizeFor, QImage& picture, QSize& full);

} // namespace cartonic
