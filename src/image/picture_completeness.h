#pragma once

// Telling a cut-off picture file before it is decoded. Some decoders accept a file that ends
// early and hand back a picture whose missing part is grey, black or, for an uncompressed BMP,
// whatever the allocator left in the buffer; a file that stops short is refused instead.
//
// What is checked, by the file's first bytes:
//   BMP  (BM)        uncompressed and bit-field pictures: the file holds every row the header
//                    declares; run-length pictures: the runs reach the end-of-bitmap mark or
//                    the last row before the file ends.
//   GIF  (GIF8)      the blocks up to the end of the first picture's data are all present.
//   JPEG (FF D8 FF)  the marker segments and scans run on to the end-of-image marker; or the
//                    file stops inside a scan after scans that between them carry every
//                    coefficient of every component, as a file lacking only its end marker does;
//                    no scan is longer than its frame's pictures could code.
// PNG and TIFF decoders refuse short files themselves, and other files pass unchecked.

#include "base/status.h"

#include <cstdint>

namespace cartonic {

// The reason given for a picture file that stops short.
inline constexpr const char* kPictureCutShort = "the file ends before the picture does";
// The reason given for a JPEG scan longer than any coding of its frame could make it: what follows
// the picture is not part of it, and decoding would only wade through it.
inline constexpr const char* kPictureRunsOn = "the file runs on past the end of its picture";

// Reads the open regular file fd of size bytes with pread (the file offset is left alone).
// BadFormat when the picture data is cut short or runs on past anything its header allows,
// Unreadable when it cannot be read. *pictureEnd is where the data of the picture shown ends:
// after a JPEG's end-of-image marker, after the first GIF picture; size when the check cannot
// tell. A decoder has no business beyond it.
//
// A JPEG that stops inside its last scan may lack only its end marker, which viewers do without,
// or may be cut inside that scan's data, which only decoding tells apart. With endMarkerMissing,
// such a file passes with *endMarkerMissing set, and the caller must have the decoder confirm
// the scan (jpegScanDataWhole); without it, the file counts as cut short.
Status pictureDataComplete(int fd, std::int64_t size, bool* endMarkerMissing = nullptr,
                           std::int64_t* pictureEnd = nullptr);

} // namespace cartonic
