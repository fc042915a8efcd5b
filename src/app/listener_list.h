#pragma once

// An ordered list of callbacks: firing calls each in the order it was added. The frame announces
// face selection and the showing of the scene panel this way.

#include <functional>
#include <utility>
#include <vector>

namespace cartonic {

class ListenerList {
public:
    void add(std::function<void()> listener) { listeners_.push_back(std::move(listener)); }
    void fire() const {
        for (const auto& listener : listeners_) {
            listener();
        }
    }
    std::size_t size() const { return listeners_.size(); }

private:
    std::vector<std::function<void()>> listeners_;
};

} // namespace cartonic
