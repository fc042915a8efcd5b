#pragma once

// SVG documents made self-contained before Qt's SVG code reads them. That code draws an <image>
// from whatever file its link names (a relative name against the working folder), reads the
// style sheet an xml-stylesheet instruction names, and reads an SVG inside a data: link by the
// same rules again. A picture from a shared project or a batch must draw nothing but itself, and
// Qt 6.4 has no switch for that, so the document is rewritten first.

#include "base/status.h"

#include <QByteArray>

namespace cartonic {

// The most bytes compressed SVG may unpack to: far beyond any drawing, well within the memory a
// drawing may take.
inline constexpr qsizetype kMostUnpackedSvgBytes = qsizetype{256} << 20;

// bytes, an SVG document (plain, or gzip-compressed as .svgz), rewritten as UTF-8 XML in which
// nothing refers outside the document: a link (an href attribute, whatever its prefix) is kept
// only where it names an element of the document ("#id"), and on an <image> only as a data: link
// holding a raster picture; processing instructions, the document type (the entities it declares
// already replaced where used), unresolved entity references and comments are dropped. BadFormat
// for bytes that are not well-formed XML, or whose entities expand beyond the XML reader's limit;
// TooLarge for compressed bytes that unpack to more than kMostUnpackedSvgBytes. Pure.
Result<QByteArray> selfContainedSvg(const QByteArray& bytes);

} // namespace cartonic
