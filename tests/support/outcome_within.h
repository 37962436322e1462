#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace marivel::test {

// Runs `work` in a child process that the alarm ends after `seconds`, and
// answers what it returned (or "error: " and what it threw); nothing when it
// was still running. A read that blocks for good fails its test, not hangs it.
inline std::optional<std::string> OutcomeWithin(unsigned seconds, const std::function<std::string()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(seconds);
        std::string text;
        try {
            text = work();
        } catch (const std::exception& e) {
            text = std::string("error: ") + e.what();
        }
        ::_exit(::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string out;
    char chunk[4096];
    for (ssize_t got; (got = ::read(fds[0], chunk, sizeof chunk)) > 0;)
        out.append(chunk, static_cast<std::size_t>(got));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status)) return std::nullopt;
    return out;
}

}  // namespace marivel::test
