#pragma once

// Drawing that may take any time or memory, done in a child process that can be stopped. The
// libraries that draw documents (SVG, PDF) have no way to be interrupted and no bound of their
// own on the memory a document makes them take; a forked child is killed at its deadline, has its
// address space capped, and takes any crash of theirs with it. Its picture comes back through a
// shared mapping made before the fork, so nothing is copied or encoded on the way.
//
// A forked child has only the thread that forked it, with every lock as the others held it then:
// drawing in one is sound while no other thread of the process does Qt or library work of its
// own, as in this program's shells, where the thread that loads pictures is the only one that
// does. Qt's own thread pool is emptied before each fork.

#include "base/status.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>

namespace cartonic {

// The most wall time, in seconds, one drawing in a child may take before it is stopped.
inline constexpr int kMaxChildDrawingSeconds = 10;

// The drawing: a picture in any format (its alpha, if any, straight or premultiplied) and a size
// to report with it. Runs in the child, which has copies of everything the caller had.
using ChildDrawing = std::function<Status(QImage& picture, QSize& reported)>;

// What a child may take: the largest picture it may hand back, the address space it may add to
// what the parent had, and its wall time.
struct ChildLimits {
    QSize largest;
    std::int64_t addressBytes = 0;
    int seconds = kMaxChildDrawingSeconds;
};

// Runs draw in a forked child of this process within limits; its picture comes back in picture as
// RGBX8888 (straight colours, alpha 255, as the loader keeps every picture), with reported. On
// failure leaves picture and reported as they were and says why: the drawing's own Status;
// TooLarge for a drawing stopped at its deadline, out of memory or larger than limits.largest;
// BadFormat for a child that died drawing; Unavailable when no child could be made. Blocks until
// the child is done or stopped. Any thread.
Status drawInChild(const ChildDrawing& draw, const ChildLimits& limits, QImage& picture,
                   QSize& reported);

} // namespace cartonic
