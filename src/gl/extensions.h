#pragma once

#include <algorithm>
#include <string_view>

namespace cartonic::gl {

// Whether a space-separated extension list, as glGetString and eglQueryString give one, names the
// extension: whole names only, so a name that begins another does not count. A null list names
// nothing.
inline bool listsExtension(const char* list, std::string_view name) {
    if (!list) {
        return false;
    }
    for (std::string_view rest(list); !rest.empty();) {
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (rest.substr(0, end) == name) {
            return true;
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return false;
}

} // namespace cartonic::gl
