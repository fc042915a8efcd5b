#pragma once

// When the live view refines its still picture, and how far: the decisions alone, with no
// window, timer or GL. The view tells it what happened (a paint, its one timer's tick, input, a
// change of what it shows) and does what each answer says: draw a plain frame or show the mean of
// the passes summed, draw the passes it hands out, ask for a paint, arm or stop the timer.
//
// Frames drawn while the picture changes are single passes, cheap enough to follow the mouse.
// Once nothing has changed for kDelayMs, the passes are drawn a slice of about kSliceMs at a time
// between events, so that input waits for one slice at most, and their mean is shown at each
// doubling of the passes. Any input, and any change of what the view shows, throws the sum away.

#include <optional>

namespace cartonic {

class ViewRefinement {
public:
    static constexpr int kDelayMs = 100;
    static constexpr int kSliceMs = 8;
    // Fewer passes than this look noisier than the plain frame they would replace.
    static constexpr int kFirstShownPasses = 4;

    // What the view is to do after telling of an event.
    struct Decision {
        enum class Picture { None, Frame, Mean };
        enum class Timer { Keep, Stop, Arm };
        enum class Work { None, BeginSum, DrawSlice };

        // After a paint: what it shows, a frame drawn from the record or the passes' mean.
        Picture picture = Picture::None;
        // The mean shown has every pass: the picture is as smooth as it gets. Said once a sum.
        bool settled = false;
        bool repaint = false;
        Timer timer = Timer::Keep;
        int timerMs = 0; // with Timer::Arm: when the view's timer is to tick
        // After a tick. BeginSum: forget the passes summed and take what the view shows now as
        // what the coming passes are of. DrawSlice: draw each pass nextPass hands out, then call
        // endSlice.
        Work work = Work::None;

        bool operator==(const Decision&) const = default;
    };

    // passes: how many a refinement sums to be complete (at least 1).
    explicit ViewRefinement(int passes) : passes_(passes) {}

    // Whether the view may refine at all: smooth edges on, and a context that can sum passes.
    // Switching it throws any sum away.
    Decision setEnabled(bool on);
    // A new frame was asked for: none is refined until it has been painted.
    Decision changed();
    // A press, a key, the wheel or a touch: the sum is thrown away, the picture stays.
    Decision input();
    // The view paints at width x height pixels; sameAsSummed: what it shows is what the passes
    // summed are of (only asked while refined()).
    Decision paint(int width, int height, bool sameAsSummed);
    // The timer armed by an earlier decision fired; sameAsSummed as for paint.
    Decision tick(bool sameAsSummed);
    // Within a slice: the index of the next pass to draw and add to the sum, counted as drawn; or
    // nothing once the slice has used its time (ms since it began) or the sum is complete. The
    // first pass of a slice is handed out whatever the time.
    std::optional<int> nextPass(int sliceElapsedMs);
    // The slice's passes are drawn.
    Decision endSlice();
    // The passes cannot be summed here (the sum's targets could not be made): no refinement
    // until the next change.
    void sumUnavailable();

    // Whether the picture shown, or about to be, is the refinement's rather than a plain frame.
    bool refined() const { return refined_; }
    // Whether every pass is summed and the mean of them all has been shown.
    bool settled() const { return settled_; }
    int passesSummed() const { return summed_; }
    int passes() const { return passes_; }
    // The view's size as the last paint found it, in pixels: the size passes are drawn at.
    int width() const { return width_; }
    int height() const { return height_; }

private:
    // Stops refining; the picture shown is the passes' mean until a plain frame replaces it.
    Decision discard();

    int passes_;
    int summed_ = 0;
    int sliceStart_ = 0; // passes summed when the slice began
    int width_ = 0;
    int height_ = 0;
    bool enabled_ = false;
    bool frameWanted_ = false;
    bool refined_ = false;
    bool settled_ = false;
};

} // namespace cartonic
