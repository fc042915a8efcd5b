#pragma once

// cartonic-render's options, each defined once: the parser, --help (usage_text.h, and so the
// README's copy of it) and the keys of a batch's jobs all come from this table.

#include "base/status.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace cartonic {

struct RenderOptions;

// Takes an option's value into options. A value it cannot take is Usage whose reason says what
// the value wants ("wants a number"); the parser puts the option's name before it and the value
// after it.
using ApplyOption = Status (*)(RenderOptions& options, const std::string& value);

// One command-line option.
struct OptionDefinition {
    std::string_view shortName; // "-o", or "" for none
    std::string_view longName;  // "--output"
    std::string_view argument;  // "FILE"; "" for a switch, which takes no value
    std::string_view help;      // lines for --help, the first beside the name
    ApplyOption apply;
};

// The options under one heading of --help.
struct OptionGroup {
    std::string_view heading;
    std::span<const OptionDefinition> options;
    bool batchOnly = false; // the batch's own options, which no job takes
};

// Every option, by group, in --help's order.
std::span<const OptionGroup> optionGroups();

// The option a long or short name ("--size", "-o") names, or null.
const OptionDefinition* findOption(std::string_view name);

// Whether the long option name ("--size") takes a value; nullopt when there is no such option.
std::optional<bool> optionTakesValue(std::string_view longName);

// Whether the long option name ("--shard") is the batch's own, not a job's.
bool isBatchOption(std::string_view longName);

// The long option ("--size") a mistyped name most likely meant, or "" when none is close.
std::string_view closestLongOption(std::string_view name);

} // namespace cartonic
