#pragma once

// What a program and the drawing program (cartonic-draw) say to each other. The drawing program
// is started for one document and ends after it; both come from one build, so the messages are
// plain structures in the machine's own byte order, told apart from anything else by a number
// that changes with their layout.
//
// The drawing program finds the channel, a stream socket, at descriptor kDrawingChannel, and the
// document, an open regular file, at kDrawingDocument. Over the channel:
//
//   program  -> drawing   DrawingRequest, then its unnumberedBytes of text
//   drawing  -> program   DrawingReply: FullSize with the document's full size, before it draws
//   program  -> drawing   DrawingSize: the size to draw at
//   drawing  -> program   DrawingReply: Picture with its width and height, then width x height
//                         pixels of 4 bytes (RGBX, straight colours, alpha 255), top row first;
//                         or Failure with a Status kind, then textBytes of reason
//
// A failure may come at any point instead of the next reply; the drawing program then ends.

#include "base/status.h"

#include <cstddef>
#include <cstdint>

namespace cartonic {

inline constexpr int kDrawingChannel = 3;
inline constexpr int kDrawingDocument = 4;

// Changes with any layout below.
inline constexpr std::uint32_t kDrawingProtocol = 0x43445201;

// The most bytes of a failure's reason, and of the text that stood for a page number.
inline constexpr std::uint32_t kMostDrawingText = 1024;

struct DrawingRequest {
    std::uint32_t protocol = kDrawingProtocol;
    std::int32_t kind = 0;             // VectorKind
    std::int32_t page = 1;             // a PDF's page, from 1
    std::int32_t unnumbered = 0;       // 1: the page was named by text that is no number
    std::uint32_t unnumberedBytes = 0; // that text's bytes, which follow
    std::int32_t largestWidth = 0;     // the largest picture the drawing may be
    std::int32_t largestHeight = 0;
    std::int64_t addressBytes = 0;  // the address space the drawing may add
    std::int64_t documentBytes = 0; // the largest document it reads
};

enum class DrawingAnswer : std::int32_t { FullSize = 1, Picture = 2, Failure = 3 };

struct DrawingReply {
    std::uint32_t protocol = kDrawingProtocol;
    DrawingAnswer answer = DrawingAnswer::Failure;
    std::int32_t kind = 0; // a Failure's Status::Kind
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t textBytes = 0;
};

struct DrawingSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Whether kind, as a failure carries it, is a kind of failure.
inline bool isFailureKind(std::int32_t kind) {
    return kind > static_cast<std::int32_t>(Status::Kind::Ok) &&
           kind <= static_cast<std::int32_t>(Status::kLastKind);
}

} // namespace cartonic
