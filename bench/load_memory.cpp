// bench_load_memory FILE: loads FILE into a slot in this fresh process and prints the resident
// memory the load added, in bytes, then the peak it reached above the start, in bytes. The
// codec is warmed up on tiny.jpg first, so its code and tables are not counted: what remains is
// what the slot keeps of the picture.

#include "bench_support.h"

#include "image/image_loader.h"

#include <cstdio>
#include <sys/resource.h>

namespace {

long long peakResidentBytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    using namespace cartonic;
    {
        FaceSlot slot{};
        SlotImage warm;
        if (const Status loaded = loadImage(slot, warm, bench::inputPath("tiny.jpg")); !loaded) {
            std::fprintf(stderr, "warm-up load failed: %s\n", loaded.message().c_str());
            return 1;
        }
    }
    const long long before = bench::residentBytes();
    FaceSlot slot{};
    SlotImage image;
    if (const Status loaded = loadImage(slot, image, argv[1]); !loaded) {
        std::fprintf(stderr, "load failed: %s\n", loaded.message().c_str());
        return 1;
    }
    const long long after = bench::residentBytes();
    std::printf("%lld %lld\n", after - before, peakResidentBytes() - before);
    return 0;
}
