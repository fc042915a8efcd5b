// When the live view refines its still picture: sequences of what the view tells the refinement,
// and what it is told to do, with no window.

#include "render/view_refinement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cartonic {
namespace {

using Decision = ViewRefinement::Decision;

constexpr int kPasses = 8;
constexpr int kSide = 8;

struct Event {
    enum Kind { Paint, Tick, Changed, Input, Enable, Disable, Unavailable } kind;
    bool same = true;  // what the view shows is what the sum is of
    int msPerPass = 2; // Tick: how long each pass of a slice takes
    int width = kSide; // Paint
    int height = kSide;
};

constexpr Event paint{Event::Paint};
constexpr Event tick{Event::Tick};
constexpr Event slowTick{.kind = Event::Tick, .msPerPass = ViewRefinement::kSliceMs + 1};
constexpr Event otherTick{.kind = Event::Tick, .same = false};
constexpr Event otherPaint{.kind = Event::Paint, .same = false};
constexpr Event widerPaint{.kind = Event::Paint, .width = 2 * kSide};
constexpr Event emptyPaint{.kind = Event::Paint, .width = 0, .height = 0};
constexpr Event changed{Event::Changed};
constexpr Event input{Event::Input};
constexpr Event enable{Event::Enable};
constexpr Event disable{Event::Disable};
// A tick whose slice finds that the sum's targets cannot be made.
constexpr Event unavailable{Event::Unavailable};

std::string describe(const Decision& d, const std::string& drawn) {
    std::string s;
    const auto add = [&s](const std::string& word) {
        s += (s.empty() ? "" : " ") + word;
    };
    if (d.picture != Decision::Picture::None) {
        add(d.picture == Decision::Picture::Frame ? "frame" : "mean");
    }
    if (d.settled) {
        add("settled");
    }
    if (d.work == Decision::Work::BeginSum) {
        add("begin");
    }
    if (!drawn.empty()) {
        add(drawn);
    }
    if (d.repaint) {
        add("repaint");
    }
    if (d.timer == Decision::Timer::Stop) {
        add("stop");
    } else if (d.timer == Decision::Timer::Arm) {
        add("+" + std::to_string(d.timerMs));
    }
    return s.empty() ? "-" : s;
}

// What the view would do for each event, as the view does it: a slice's passes drawn, each
// taking its time, then the slice's end told.
std::string run(const std::vector<Event>& events) {
    ViewRefinement refinement(kPasses);
    refinement.setEnabled(true);
    std::string trace;
    for (const Event& e : events) {
        Decision d;
        std::string drawn;
        switch (e.kind) {
        case Event::Paint:
            d = refinement.paint(e.width, e.height, e.same);
            break;
        case Event::Changed:
            d = refinement.changed();
            break;
        case Event::Input:
            d = refinement.input();
            break;
        case Event::Enable:
        case Event::Disable:
            d = refinement.setEnabled(e.kind == Event::Enable);
            break;
        case Event::Tick:
        case Event::Unavailable:
            d = refinement.tick(e.same);
            if (d.work != Decision::Work::DrawSlice) {
                break;
            }
            if (e.kind == Event::Unavailable) {
                refinement.sumUnavailable();
            }
            int first = -1;
            int last = -1;
            for (int elapsed = 0; const auto pass = refinement.nextPass(elapsed);
                 elapsed += e.msPerPass) {
                EXPECT_TRUE(last < 0 || *pass == last + 1) << "passes in order";
                first = first < 0 ? *pass : first;
                last = *pass;
            }
            if (first >= 0) {
                drawn = first == last
                            ? "pass " + std::to_string(first)
                            : "passes " + std::to_string(first) + "-" + std::to_string(last);
            }
            d = refinement.endSlice();
            break;
        }
        trace += (trace.empty() ? "" : " | ") + describe(d, drawn);
    }
    return trace;
}

TEST(ViewRefinement, DecidesWhenAStillViewIsRefinedAndShown) {
    struct Case {
        const char* name;
        std::vector<Event> events;
        const char* trace;
    };
    // clang-format off
    const Case cases[] = {
        {"a still view waits, sums slices, shows each doubling and settles once",
         {paint, tick, tick, paint, tick, paint, paint},
         "frame +100 | begin +0 | passes 0-3 repaint +0 | mean | passes 4-7 repaint | mean settled"
         " | mean"},
        {"a slow pass is a slice of its own; no mean is shown before the first few passes",
         {paint, tick, slowTick, slowTick, slowTick, slowTick},
         "frame +100 | begin +0 | pass 0 +0 | pass 1 +0 | pass 2 +0 | pass 3 repaint +0"},
        {"input throws the sum away and the next paint is a frame",
         {paint, tick, tick, input, paint},
         "frame +100 | begin +0 | passes 0-3 repaint +0 | repaint stop | frame +100"},
        {"input while waiting only stops the wait",
         {paint, input},
         "frame +100 | stop"},
        {"a frame asked for holds the refinement back until it is painted",
         {paint, tick, tick, changed, tick, paint, tick},
         "frame +100 | begin +0 | passes 0-3 repaint +0 | repaint stop | - | frame +100"
         " | begin +0"},
        {"a change of what is shown ends the sum at the next step",
         {paint, tick, tick, otherTick, paint},
         "frame +100 | begin +0 | passes 0-3 repaint +0 | repaint stop | frame +100"},
        {"a change of what is shown ends the sum at a paint",
         {paint, tick, tick, otherPaint},
         "frame +100 | begin +0 | passes 0-3 repaint +0 | frame +100"},
        {"a new size ends the sum",
         {paint, tick, tick, widerPaint},
         "frame +100 | begin +0 | passes 0-3 repaint +0 | frame +100"},
        {"switched off, the sum is thrown away and frames arm nothing",
         {paint, tick, tick, disable, paint, tick},
         "frame +100 | begin +0 | passes 0-3 repaint +0 | repaint stop | frame stop | -"},
        {"switched on again, the next frame waits for stillness",
         {disable, paint, enable, paint},
         "stop | frame stop | stop | frame +100"},
        {"an empty view is not refined",
         {emptyPaint, tick},
         "frame +100 | -"},
        {"a sum that cannot be made leaves the frame shown",
         {paint, tick, unavailable, paint},
         "frame +100 | begin +0 | - | frame +100"},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.events), c.trace) << c.name;
    }
}

} // namespace
} // namespace cartonic
