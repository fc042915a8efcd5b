#pragma once

// Reading back what a turntable wrote: an animated WebP decoded with libwebp's animation decoder,
// and the facts of an MP4 file (its first box, and what ffprobe counts in it).

#include "support/run_process.h"
#include "support/temp_dir.h"

#include <webp/demux.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace cartonic::test {

struct DecodedAnimation {
    bool ok = false;
    int width = 0;
    int height = 0;
    int loopCount = -1;
    std::vector<int> timestamps;                 // each frame's end, in milliseconds
    std::vector<std::vector<std::uint8_t>> rgba; // each frame's canvas, top row first
};

inline DecodedAnimation decodeWebPAnimation(const std::string& path) {
    DecodedAnimation result;
    const std::vector<char> bytes = readBytes(path);
    WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) {
        return result;
    }
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (!decoder) {
        return result;
    }
    WebPAnimInfo info;
    if (WebPAnimDecoderGetInfo(decoder, &info)) {
        result.ok = true;
        result.width = static_cast<int>(info.canvas_width);
        result.height = static_cast<int>(info.canvas_height);
        result.loopCount = static_cast<int>(info.loop_count);
        const std::size_t size = std::size_t{info.canvas_width} * info.canvas_height * 4;
        while (WebPAnimDecoderHasMoreFrames(decoder)) {
            std::uint8_t* canvas = nullptr;
            int timestamp = 0;
            if (!WebPAnimDecoderGetNext(decoder, &canvas, &timestamp)) {
                result.ok = false;
                break;
            }
            result.timestamps.push_back(timestamp);
            result.rgba.emplace_back(canvas, canvas + size);
        }
    }
    WebPAnimDecoderDelete(decoder);
    return result;
}

// The type of an ISO media file's first box: "ftyp" for an MP4.
inline std::string firstBoxType(const std::string& path) {
    const std::vector<char> bytes = readBytes(path);
    return bytes.size() < 8 ? std::string() : std::string(bytes.data() + 4, 4);
}

struct VideoFacts {
    std::string codec;
    std::string pixelFormat;
    int width = 0;
    int height = 0;
    int frames = 0;
};

// What ffprobe (at ffprobePath) finds in the video's first stream; all empty when it cannot
// read it.
inline VideoFacts probeVideo(const std::string& ffprobePath, const std::string& path) {
    const ProcessResult r = runProcess(
        ffprobePath, {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                      "stream=codec_name,pix_fmt,width,height,nb_read_frames", "-of",
                      "default=noprint_wrappers=1", path});
    VideoFacts facts;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (key == "codec_name") {
            facts.codec = value;
        } else if (key == "pix_fmt") {
            facts.pixelFormat = value;
        } else if (key == "width") {
            facts.width = std::stoi(value);
        } else if (key == "height") {
            facts.height = std::stoi(value);
        } else if (key == "nb_read_frames") {
            facts.frames = std::stoi(value);
        }
    }
    return facts;
}

} // namespace cartonic::test
