#pragma once

// An OpenGL compatibility context that needs no display: EGL on Mesa's surfaceless platform with
// a small pbuffer. Pictures are drawn into an OffscreenTarget, never into the pbuffer.

#include "base/status.h"

#include <memory>

namespace cartonic::gl {

class HeadlessContext {
public:
    // Creates a context and makes it current on the calling thread. Unavailable, with the reason,
    // when no context can be had (no EGL, no surfaceless platform, no GL 1.x API).
    static Result<std::unique_ptr<HeadlessContext>> create();

    ~HeadlessContext();
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    // Makes this context current on the calling thread; false when EGL refuses.
    bool makeCurrent();

private:
    HeadlessContext() = default;
    struct Handles;
    std::unique_ptr<Handles> handles_;
};

} // namespace cartonic::gl
