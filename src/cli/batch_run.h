#pragma once

// cartonic-render --batch: many jobs in one process, which makes its GL context once and decodes
// each picture file once (within the cache's bound) for every job that names it.

#include "cli/render_options.h"

#include <iosfwd>

namespace cartonic {

// Exit statuses of a batch beyond 0: a job failed, or the manifest as a whole is unusable.
inline constexpr int kBatchJobFailed = 1;
inline constexpr int kBatchManifestUnusable = 2;

// Renders the jobs of options.batch that options' shard holds, in line order. Each job's messages
// go to err prefixed with its line number; a progress line too when progress is true (a
// terminal), else one line per job done unless options.quiet; at the end "N rendered, M failed"
// unless quiet. --print output goes to out. Returns 0, kBatchJobFailed or kBatchManifestUnusable.
int runBatch(const RenderOptions& options, std::ostream& out, std::ostream& err, bool progress);

// The same, with progress when standard error is a terminal.
int runBatch(const RenderOptions& options, std::ostream& out, std::ostream& err);

} // namespace cartonic
