#include "render/view_refinement.h"

namespace cartonic {

using Decision = ViewRefinement::Decision;

Decision ViewRefinement::discard() {
    Decision d;
    d.timer = Decision::Timer::Stop;
    if (refined_) {
        refined_ = false;
        settled_ = false;
        summed_ = 0;
        // The mean on the screen is of a picture that is gone.
        d.repaint = true;
    }
    return d;
}

Decision ViewRefinement::setEnabled(bool on) {
    enabled_ = on;
    return discard();
}

Decision ViewRefinement::changed() {
    frameWanted_ = true;
    return discard();
}

Decision ViewRefinement::input() {
    return discard();
}

Decision ViewRefinement::paint(int width, int height, bool sameAsSummed) {
    const bool sameSize = width == width_ && height == height_;
    width_ = width;
    height_ = height;
    frameWanted_ = false;
    Decision d;
    if (refined_ && sameSize && summed_ > 0 && sameAsSummed) {
        d.picture = Decision::Picture::Mean;
        if (summed_ == passes_ && !settled_) {
            settled_ = true;
            d.settled = true;
        }
        return d;
    }
    // Whatever made this paint, the passes summed are of another picture or size.
    refined_ = false;
    settled_ = false;
    summed_ = 0;
    d.picture = Decision::Picture::Frame;
    d.timer = enabled_ ? Decision::Timer::Arm : Decision::Timer::Stop;
    d.timerMs = enabled_ ? kDelayMs : 0;
    return d;
}

Decision ViewRefinement::tick(bool sameAsSummed) {
    Decision d;
    if (!refined_) {
        if (!enabled_ || frameWanted_ || width_ <= 0 || height_ <= 0) {
            return d;
        }
        refined_ = true;
        settled_ = false;
        summed_ = 0;
        d.work = Decision::Work::BeginSum;
        d.timer = Decision::Timer::Arm;
        return d;
    }
    if (!sameAsSummed) {
        return discard();
    }
    if (summed_ < passes_) {
        sliceStart_ = summed_;
        d.work = Decision::Work::DrawSlice;
    }
    return d;
}

std::optional<int> ViewRefinement::nextPass(int sliceElapsedMs) {
    if (!refined_ || summed_ >= passes_ || (summed_ > sliceStart_ && sliceElapsedMs >= kSliceMs)) {
        return std::nullopt;
    }
    return summed_++;
}

Decision ViewRefinement::endSlice() {
    Decision d;
    if (!refined_) {
        return d;
    }
    // Each doubling halves the noise a viewer sees, while showing every pass would add the cost
    // of putting a frame on the screen to each.
    const int n = summed_;
    if (n >= kFirstShownPasses && ((n & (n - 1)) == 0 || n == passes_)) {
        d.repaint = true;
    }
    if (n < passes_) {
        d.timer = Decision::Timer::Arm;
    }
    return d;
}

void ViewRefinement::sumUnavailable() {
    refined_ = false;
    settled_ = false;
    summed_ = 0;
}

} // namespace cartonic
