#pragma once

#include <stdexcept>
#include <string>

namespace marivel {

// The one error type of the core. Its text is what the user reads in the
// standard error box, so it is written as a complete sentence without the
// closing period (the box adds it when needed).
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace marivel
