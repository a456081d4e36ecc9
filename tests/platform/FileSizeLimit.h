#pragma once
// A disk that fills up, for one call: the call runs in a child process whose files may not grow
// past a limit. Past it a write takes what fits and then fails with EFBIG (SIGXFSZ is ignored),
// as a full disk does with ENOSPC.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/Exceptions.h"

// The message of the Exception that f raises in the child, "no exception", or "child failed".
inline std::string MessageUnderFileSizeLimit(rlim_t limit, const std::function<void()>& f)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "child failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        std::string message = "no exception";
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0)
            message = "setrlimit failed";
        else
            try {
                f();
            } catch (const Exception& e) {
                message = e.Message();
            }
        const bool written = ::write(fds[1], message.data(), message.size()) == ssize_t(message.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(fds[1]);
    std::string message;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, size_t(n));
    ::close(fds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed";
    return message;
}
