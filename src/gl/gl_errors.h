#pragma once

// Clearing the errors a context has pending, before a step whose own error is to be read. Header
// only: the libraries that draw into a context they do not own (image, render) need nothing of
// this library's EGL to use it.

#include <GL/gl.h>

namespace cartonic::gl {

// An implementation keeps at most one flag per kind of error; the bound keeps a lost context,
// which may answer with an error for ever, from holding the caller in the loop.
inline constexpr int kMaxPendingErrors = 16;

inline void clearPendingErrors() {
    for (int k = 0; k < kMaxPendingErrors && glGetError() != GL_NO_ERROR; ++k) {
    }
}

} // namespace cartonic::gl
