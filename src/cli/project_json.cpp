#include "cli/project_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace cartonic {

namespace {

class JsonWriter {
public:
    std::string text;

    void key(std::string_view name) {
        separate();
        text += '"';
        text += name;
        text += "\":";
        needComma_ = false;
    }
    void open(char bracket) {
        separate();
        text += bracket;
        needComma_ = false;
    }
    void close(char bracket) {
        text += bracket;
        needComma_ = true;
    }
    void number(float v) {
        separate();
        if (!std::isfinite(v)) {
            text += "null"; // JSON has no NaN or infinity
        } else {
            char buf[32];
            auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
            text.append(buf, end);
        }
        needComma_ = true;
    }
    void integer(long long v) {
        separate();
        text += std::to_string(v);
        needComma_ = true;
    }
    void string(std::string_view s);

    template <std::size_t N>
    void floats(const std::array<float, N>& values) {
        open('[');
        for (float v : values) {
            number(v);
        }
        close(']');
    }

private:
    void separate() {
        if (needComma_) {
            text += ',';
        }
    }
    bool needComma_ = false;
};

// Paths are 8-bit text; valid UTF-8 passes through, any other byte becomes U+FFFD.
void JsonWriter::string(std::string_view s) {
    separate();
    text += '"';
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            text += buf;
            ++i;
        } else if (c < 0x80) {
            text += static_cast<char>(c);
            ++i;
        } else {
            const std::size_t len = c >= 0xF0 && c < 0xF5   ? 4
                                    : c >= 0xE0             ? 3
                                    : c >= 0xC2 && c < 0xE0 ? 2
                                                            : 0;
            bool valid = len > 0 && i + len <= s.size();
            for (std::size_t j = 1; valid && j < len; ++j) {
                valid = (static_cast<unsigned char>(s[i + j]) & 0xC0) == 0x80;
            }
            if (valid) {
                text.append(s.substr(i, len));
                i += len;
            } else {
                text += "\xEF\xBF\xBD";
                ++i;
            }
        }
    }
    text += '"';
    needComma_ = true;
}

void writeSlot(JsonWriter& w, const FaceSlot& slot) {
    w.open('{');
    w.key("faceIndex");
    w.integer(slot.faceIndex);
    w.key("imagePath");
    w.string(pathText(slot.imagePath));
    w.key("ambientColor");
    w.floats(slot.ambientColor);
    w.key("diffuseColor");
    w.floats(slot.diffuseColor);
    w.key("specularColor");
    w.floats(slot.specularColor);
    w.key("reservedBlock");
    w.open('[');
    for (std::uint8_t b : slot.reservedBlock) {
        w.integer(b);
    }
    w.close(']');
    w.key("orientation");
    w.integer(slot.orientation);
    w.key("vertices");
    w.open('[');
    for (const FaceVertex& v : slot.vertices) {
        w.open('{');
        w.key("x");
        w.number(v.x);
        w.key("y");
        w.number(v.y);
        w.key("z");
        w.number(v.z);
        w.key("s");
        w.number(v.s);
        w.key("t");
        w.number(v.t);
        w.close('}');
    }
    w.close(']');
    w.key("normal");
    w.floats(slot.normal);
    w.key("displayList");
    w.integer(slot.displayList);
    w.key("pixels");
    w.integer(slot.pixels);
    w.key("image");
    w.integer(slot.image);
    w.key("imageWidth");
    w.integer(slot.imageWidth);
    w.key("imageHeight");
    w.integer(slot.imageHeight);
    w.key("reservedWord1");
    w.integer(slot.reservedWord1);
    w.key("reservedWord2");
    w.integer(slot.reservedWord2);
    w.key("textureId");
    w.integer(slot.textureId);
    w.key("showTexture");
    w.integer(slot.showTexture);
    w.close('}');
}

} // namespace

std::string projectToJson(const ProjectData& d) {
    JsonWriter w;
    w.open('{');
    w.key("boxWidth");
    w.number(d.boxWidth);
    w.key("boxDepth");
    w.number(d.boxDepth);
    w.key("boxHeight");
    w.number(d.boxHeight);
    w.key("outlineColor");
    w.floats(d.outlineColor);
    w.key("faceSlots");
    w.open('[');
    for (const FaceSlot& slot : d.faceSlots) {
        writeSlot(w, slot);
    }
    w.close(']');

    const auto integer = [&w](std::string_view name, long long v) {
        w.key(name);
        w.integer(v);
    };
    const auto number = [&w](std::string_view name, float v) {
        w.key(name);
        w.number(v);
    };
    const auto colour = [&w](std::string_view name, const std::array<float, 4>& v) {
        w.key(name);
        w.floats(v);
    };
    const auto path = [&w](std::string_view name, const Path& p) {
        w.key(name);
        w.string(pathText(p));
    };

    integer("selectedFace", d.selectedFace);
    integer("showSelection", d.showSelection);
    integer("lightingEnabled", d.lightingEnabled);
    colour("lightAmbient", d.lightAmbient);
    colour("lightDiffuse", d.lightDiffuse);
    colour("lightSpecular", d.lightSpecular);
    colour("lightPosition", d.lightPosition);
    colour("spotDirection", d.spotDirection);
    number("spotCutoff", d.spotCutoff);
    integer("spotExponent", d.spotExponent);
    integer("spareFlag", d.spareFlag);
    number("lightAngle", d.lightAngle);
    number("lightHeight", d.lightHeight);
    integer("solidBackground", d.solidBackground);
    colour("backgroundColor", d.backgroundColor);
    path("backgroundPicturePath", d.backgroundPicturePath);
    integer("gradientBackground", d.gradientBackground);
    colour("gradientTopColor", d.gradientTopColor);
    colour("gradientBottomColor", d.gradientBottomColor);
    integer("showFloor", d.showFloor);
    number("floorHalfWidth", d.floorHalfWidth);
    number("floorHalfDepth", d.floorHalfDepth);
    integer("showShadow", d.showShadow);
    integer("showReflection", d.showReflection);
    integer("floorPatternMipmaps", d.floorPatternMipmaps);
    integer("floorTextureEnabled", d.floorTextureEnabled);
    integer("floorTextureId", d.floorTextureId);
    integer("floorPatternTextureId", d.floorPatternTextureId);
    path("floorImagePath", d.floorImagePath);
    integer("hideOverlays", d.hideOverlays);
    w.close('}');
    w.text += '\n';
    return w.text;
}

} // namespace cartonic
