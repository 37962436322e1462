#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace marivel::test {

// Runs `work` in a child process and answers what it returned, or
// "error: " and the message of what it threw; nothing when it had not
// finished within `limit` (it is killed then). For reads that used to block
// for good: the test fails instead of hanging.
inline std::optional<std::string> OutcomeWithin(std::chrono::seconds limit,
                                                const std::function<std::string()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) return std::string("error: no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        std::string text;
        try {
            text = work();
        } catch (const std::exception& e) {
            text = std::string("error: ") + e.what();
        }
        for (std::size_t at = 0; at < text.size();) {
            const ssize_t put = ::write(fds[1], text.data() + at, text.size() - at);
            if (put <= 0) break;
            at += static_cast<std::size_t>(put);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string out;
    bool finished = false;
    while (!finished) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[4096];
        const ssize_t got = ::read(fds[0], chunk, sizeof chunk);
        if (got <= 0)
            finished = true;
        else
            out.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    if (!finished) ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!finished) return std::nullopt;
    return out;
}

}  // namespace marivel::test
