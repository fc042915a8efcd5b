#include "cli/batch_manifest.h"

#include "cli/render_options.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace cartonic {

namespace {

// Keys in the order the line gives them, as a command line would have them.
using Json = nlohmann::ordered_json;

constexpr std::string_view kProjectKey = "project";

// A value as the text a command line would give: strings as they are, numbers as JSON writes them.
bool scalarText(const Json& value, std::string& out) {
    if (value.is_string()) {
        out = value.get<std::string>();
        return true;
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

} // namespace

bool blankLine(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool jsonObjectLine(std::string_view line) {
    return Json::parse(line, nullptr, false).is_object();
}

Status jobArguments(std::string_view line, std::vector<std::string>& args) {
    args.clear();
    const Json job = Json::parse(line, nullptr, false);
    if (job.is_discarded()) {
        return Status::usage("not a JSON object");
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
        const std::string option = "--" + key;
        const std::optional<bool> takesValue = optionTakesValue(option);
        if (!takesValue) {
            // The parser says it, with the closest option's name.
            args.push_back(option);
            continue;
        }
        if (!*takesValue) {
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
