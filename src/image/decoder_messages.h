#pragma once

// What the picture decoders say while a picture loads. libpng and libtiff write their complaints
// straight to standard error, the Qt plugins through Qt's message handler; either way they would
// print lines of their own beside the program's messages, or in a window's place nowhere useful.
// While an instance lives, both are collected instead, in the order they were said: the loader
// gives the first as part of its reason for a refusal, and drops them all after a success.
//
// Qt messages still reach the handler installed before, as the program wants them; where it
// prints them to standard error, they are collected with the rest. Standard error is the
// process's: what other threads write to it meanwhile is collected too. One instance at a time,
// on the thread that loads.

#include "base/file_descriptor.h"

#include <QtGlobal>

#include <string>

namespace cartonic {

class DecoderMessages {
public:
    DecoderMessages();
    ~DecoderMessages();
    DecoderMessages(const DecoderMessages&) = delete;
    DecoderMessages& operator=(const DecoderMessages&) = delete;

    // The first line said so far, on one line with control characters made spaces and cut to a
    // sensible length; empty when nothing was said (or nothing could be collected).
    std::string first() const;

private:
    FileDescriptor sink_;  // where standard error goes meanwhile
    FileDescriptor saved_; // standard error itself
    QtMessageHandler previous_ = nullptr;
};

} // namespace cartonic
