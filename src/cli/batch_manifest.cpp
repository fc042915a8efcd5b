#include "cli/batch_manifest.h"

#include "cli/option_table.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cartonic {

namespace {

// Keys in the order the line gives them, as a command line would have them.
using Json = nlohmann::ordered_json;

constexpr std::string_view kProjectKey = "project";
// Whole numbers up to this size are held by a double exactly.
constexpr double kExactWholeDoubles = 9007199254740992.0; // 2^53
// The parser's exception for a number past a double's range.
constexpr int kNumberOutOfRange = 406;

// A value as the text a command line would give: strings as they are, numbers as JSON writes them.
bool scalarText(const Json& value, std::string& out) {
    if (value.is_string()) {
        out = value.get<std::string>();
        return true;
    }
    if (value.is_number_float()) {
        // A whole number written with a fraction (40.0) is that number, for keys that want one.
        const double number = value.get<double>();
        if (std::trunc(number) == number && std::fabs(number) < kExactWholeDoubles) {
            out = std::to_string(static_cast<long long>(number));
            return true;
        }
    }
    if (value.is_number()) {
        out = value.dump();
        return true;
    }
    return false;
}

// "face" and "orientation": {"front": X} gives front=X; a text is taken as NAME=VALUE already.
bool assignments(const Json& value, std::vector<std::string>& out) {
    std::string text;
    if (scalarText(value, text) && value.is_string()) {
        out.push_back(text);
        return true;
    }
    if (value.is_object()) {
        for (const auto& [name, item] : value.items()) {
            if (!scalarText(item, text)) {
                return false;
            }
            out.push_back(name);
            out.back().append("=").append(text);
        }
        return true;
    }
    if (value.is_array()) {
        return std::all_of(value.begin(), value.end(), [&](const Json& item) {
            return item.is_string() && assignments(item, out);
        });
    }
    return false;
}

// "box": [W, D, H] as W,D,H.
bool listText(const Json& value, std::string& out) {
    if (!value.is_array() || value.empty()) {
        return false;
    }
    out.clear();
    for (const Json& item : value) {
        std::string part;
        if (!item.is_number() || !scalarText(item, part)) {
            return false;
        }
        out += out.empty() ? part : "," + part;
    }
    return true;
}

// Where the parser is in a line: the top-level key whose value it reads, if any.
struct ParsePlace {
    std::string key;
    bool inValue = false;

    bool follow(int depth, Json::parse_event_t event, const Json& parsed) {
        if (depth == 1) {
            if (event == Json::parse_event_t::key) {
                key = parsed.get<std::string>();
                inValue = true;
            } else if (event == Json::parse_event_t::value ||
                       event == Json::parse_event_t::object_end ||
                       event == Json::parse_event_t::array_end) {
                inValue = false;
            }
        }
        return true;
    }
};

// Where text stops being UTF-8, as JSON takes it (no overlong forms, surrogates or code points
// past U+10FFFF); npos when it is UTF-8 throughout.
std::size_t firstNonUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        unsigned char low = 0x80; // the second byte's range, narrower after some leads
        unsigned char high = 0xbf;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xc2 && lead <= 0xdf) {
            extra = 1;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            extra = 2;
            low = lead == 0xe0 ? 0xa0 : low;
            high = lead == 0xed ? 0x9f : high;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            extra = 3;
            low = lead == 0xf0 ? 0x90 : low;
            high = lead == 0xf4 ? 0x8f : high;
        } else {
            return i;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xbf)) {
                return i;
            }
        }
        i += extra + 1;
    }
    return std::string_view::npos;
}

// Why a line is not JSON, from the parser's exception: the key whose value held the fault, and
// the fault itself, without the library's codes or the text it had read (which may be long).
std::string parseFailure(const Json::exception& failure, const ParsePlace& place,
                         std::string_view line) {
    std::string why;
    if (const auto* syntax = dynamic_cast<const Json::parse_error*>(&failure)) {
        // "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error while
        // parsing object key - invalid literal; last read: '{o'; expected string literal"
        const std::string text = syntax->what();
        const auto reasonAt = text.find(" - ");
        std::string reason =
            reasonAt == std::string::npos ? std::string() : text.substr(reasonAt + 3);
        const auto lastRead = reason.find("; last read: ");
        const auto expected = reason.rfind("; expected ");
        reason = reason.substr(0, lastRead) +
                 (expected == std::string::npos ? "" : reason.substr(expected));
        // The parser's position is past the byte that broke the sequence.
        if (const std::size_t bad = firstNonUtf8(line);
            reason.find("UTF-8") != std::string::npos && bad != std::string_view::npos) {
            char where[48];
            std::snprintf(where, sizeof where, " at byte %zu (0x%02x)", bad + 1,
                          static_cast<unsigned char>(line[bad]));
            why = "not UTF-8" + std::string(where) + ": a manifest is UTF-8 text";
        } else {
            why = "not JSON at byte " + std::to_string(syntax->byte) +
                  (reason.empty() ? "" : ": " + reason);
        }
    } else if (failure.id == kNumberOutOfRange) {
        why = "a number out of range";
    } else {
        why = failure.what();
        why.erase(0, why.find("] ") == std::string::npos ? 0 : why.find("] ") + 2);
    }
    return place.inValue ? "\"" + place.key + "\": " + why : why;
}

// Usage, saying why, when key is no job's option.
Status checkJobKey(const std::string& key) {
    const std::string option = "--" + key;
    if (isBatchOption(option)) {
        return Status::usage("\"" + key + "\" belongs on the batch's command line, not in a job");
    }
    if (option == "--help" || option == "--list-presets") {
        return Status::usage("\"" + key + "\" is not for a job");
    }
    // Only a whole option name: "" would end the options, "output=x" give a value of its own.
    if (!optionTakesValue(option)) {
        const std::string_view closest = closestLongOption(option);
        return Status::usage("unknown key \"" + key + "\"" +
                             (closest.empty()
                                  ? ": a key is one of the long options without its dashes"
                                  : "; did you mean \"" + std::string(closest.substr(2)) + "\"?"));
    }
    return {};
}

} // namespace

bool blankLine(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool jsonObjectLine(std::string_view line) {
    return Json::parse(line, nullptr, false).is_object();
}

Status jobArguments(std::string_view line, std::vector<std::string>& args) {
    args.clear();
    ParsePlace place;
    Json job;
    try {
        job = Json::parse(line, [&](int depth, Json::parse_event_t event, Json& parsed) {
            return place.follow(depth, event, parsed);
        });
    } catch (const Json::exception& failure) {
        return Status::usage(parseFailure(failure, place, line));
    }
    if (!job.is_object()) {
        return Status::usage("a job is a JSON object, not " + std::string(job.type_name()));
    }
    for (const auto& [key, value] : job.items()) {
        if (key == kProjectKey) {
            std::string path;
            if (!value.is_string() || (path = value.get<std::string>()).empty()) {
                return Status::usage("\"project\" wants a file name");
            }
            // After "--", a project named like an option is still a project.
            args.emplace_back("--");
            args.push_back(path);
            continue;
        }
        if (Status fits = checkJobKey(key); !fits) {
            return fits;
        }
        const std::string option = "--" + key;
        if (!*optionTakesValue(option)) {
            if (!value.is_boolean()) {
                return Status::usage("\"" + key + "\" wants true or false");
            }
            if (value.get<bool>()) {
                args.push_back(option);
            }
            continue;
        }
        std::vector<std::string> values;
        std::string text;
        if (key == "face" || key == "orientation") {
            if (!assignments(value, values)) {
                return Status::usage("\"" + key +
                                     "\" wants an object of face names, such as {\"front\": ...}");
            }
        } else if (scalarText(value, text) || (key == "box" && listText(value, text))) {
            values.push_back(text);
        } else {
            return Status::usage("\"" + key + "\" wants a text or a number, not " +
                                 std::string(value.type_name()));
        }
        for (std::string& v : values) {
            // --name=value keeps a value that starts with a dash a value.
            args.push_back(option);
            args.back().append("=").append(v);
        }
    }
    // The project last: "--" ends the options.
    const auto dashes = std::find(args.begin(), args.end(), "--");
    if (dashes != args.end()) {
        std::rotate(dashes, dashes + 2, args.end());
    }
    return {};
}

} // namespace cartonic
