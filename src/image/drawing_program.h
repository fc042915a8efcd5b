#pragma once

// Vector documents drawn by the drawing program, cartonic-draw, a program of its own started for
// each drawing. The libraries that draw documents (SVG, PDF) cannot be interrupted and bound
// neither their time nor their memory; a program of its own is killed at its deadline, caps its
// own address space, and takes any crash of theirs with it, and it starts from nothing, so none
// of the threads and locks of the program that asks (a window's toolkit and GL driver) is in it.
//
// While it draws, the program that asks waits: without a DrawingWait it simply blocks; with one
// (the window's), it is called every kDrawingWaitInterval, so the window repaints and the user
// can stop the drawing.

#include "base/status.h"
#include "image/vector_pictures.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <chrono>
#include <cstdint>
#include <string>

namespace cartonic {

// The most wall time, in seconds, one drawing may take before it is stopped.
inline constexpr int kMaxDrawingSeconds = 10;

// How often a DrawingWait hears from a drawing that goes on.
inline constexpr std::chrono::milliseconds kDrawingWaitInterval{30};

// What a program does while it waits for a drawing. Calls come on the thread that loads the
// picture, for one drawing at a time on that thread; a drawing started from inside waiting()
// brings calls of its own, nested in the outer ones.
class DrawingWait {
public:
    virtual ~DrawingWait() = default;
    // A drawing has gone on for kDrawingWaitInterval; waiting() follows.
    virtual void began() = 0;
    // The drawing goes on; false stops it, and the load fails as Cancelled.
    virtual bool waiting() = 0;
    // The drawing that began() announced is over, however it ended.
    virtual void ended() = 0;
};

// Installs wait for every drawing of this process from now on (not owned; it must outlive its
// installation); nullptr for none. Any thread.
void setDrawingWait(DrawingWait* wait);

// While one lives, drawings started on its thread wait as if no DrawingWait were installed: for
// work that the wait's handling of events must not break into, such as drawing into a GL context
// that a repaint would use too.
class DrawingWaitPause {
public:
    DrawingWaitPause();
    ~DrawingWaitPause();
    DrawingWaitPause(const DrawingWaitPause&) = delete;
    DrawingWaitPause& operator=(const DrawingWaitPause&) = delete;
};

// What one drawing may take: the largest picture it may hand back, the address space it may add
// to what the drawing program has when it starts, and its wall time; and the drawing program,
// when it is not the installed one (tests).
struct DrawingBounds {
    QSize largest{kMaxVectorSide, kMaxVectorSide};
    std::int64_t addressBytes = 0;
    int seconds = kMaxDrawingSeconds;
    std::string program;
};

// The drawing program for the program at self (a path, as /proc/self/exe names this one): where
// an installation puts it, in its libexec folder beside the program's bin, or, in a build tree,
// where the build puts it under the build folder a few levels above. Unavailable, naming where
// it belongs, when neither holds one.
Result<std::string> drawingProgramFor(const std::string& self);

// Draws the document in the open regular file document (whose descriptor stays the caller's) of
// source's kind and page (its file is not read) with the drawing program, at sizeFor(its full
// size), within bounds; picture gets it as RGBX8888 (alpha 255, straight colours, as the loader
// keeps pictures), full its full size. On failure leaves both as they were and says why, in one
// line: the kinds the bounded read gives for the file; BadFormat for the document, or a drawing
// program that stopped ("the drawing program stopped: killed by signal 9"); TooLarge for a
// drawing over its time or memory; Cancelled when the DrawingWait stopped it; Unavailable when
// the drawing program is missing or cannot be started, or says what it should not. The drawing
// program has ended, and been waited for, whatever the outcome. Blocks until then. Any thread.
Status drawInProgram(int document, const VectorSource& source, const PictureSizeRule& sizeFor,
                     const DrawingBounds& bounds, QImage& picture, QSize& full);

// drawInProgram within the loader's bounds (kMaxVectorSide a side, kMaxImageLoadBytes of
// memory, kMaxDrawingSeconds), for a document in an open file, or held in memory (a copy kept
// elsewhere).
Status loadVectorFile(int document, const VectorSource& source, const PictureSizeRule& sizeFor,
                      QImage& picture, QSize& full);
Status loadVectorBytes(const QByteArray& bytes, const VectorSource& source,
                       const PictureSizeRule& sizeFor, QImage& picture, QSize& full);

} // namespace cartonic
