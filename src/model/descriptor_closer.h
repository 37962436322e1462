#pragma once

#include <unistd.h>

namespace marivel {

// Closes an open file descriptor when the scope that opened it ends, by
// return or by exception.
class DescriptorCloser {
public:
    explicit DescriptorCloser(int fd) noexcept : fd_(fd) {}
    ~DescriptorCloser() { ::close(fd_); }
    DescriptorCloser(const DescriptorCloser&) = delete;
    DescriptorCloser& operator=(const DescriptorCloser&) = delete;

private:
    int fd_;
};

}  // namespace marivel
