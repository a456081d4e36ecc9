#pragma once
// Calls that must run in a process of their own: as another user, or on a disk that fills up,
// where the child's files may not grow past a limit. Past it a write takes what fits and then
// fails with EFBIG (SIGXFSZ is ignored), as a full disk does with ENOSPC.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/Exceptions.h"

// What child returns when run in a child process ("child failed" when it cannot tell), with
// the child's wait status in status.
inline std::string RunInChild(const std::function<std::string()>& child, int& status)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "child failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string said = child();
        ::_exit(::write(fds[1], said.data(), said.size()) == ssize_t(said.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, size_t(n));
    ::close(fds[0]);
    status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return "child failed";
    return said;
}

// The message of the Exception that f raises in the child, "no exception", or "child failed".
inline std::string MessageUnderFileSizeLimit(rlim_t limit, const std::function<void()>& f)
{
    int status = 0;
    const std::string said = RunInChild(
        [&]() -> std::string {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit r{limit, limit};
            if (::setrlimit(RLIMIT_FSIZE, &r) != 0)
                return "setrlimit failed";
            try {
                f();
            } catch (const Exception& e) {
                return e.Message();
            }
            return "no exception";
        },
        status);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? said : "child failed";
}
