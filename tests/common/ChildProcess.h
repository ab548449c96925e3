#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace testing_support {

// Runs fn in a child process whose files cannot grow past limit bytes (writes beyond fail with
// EFBIG, as on a full disk; 0: no limit); the child's exit code (99 when fn threw), or -1 when
// it did not exit.
inline int withFileSizeLimit(long long limit, const std::function<int()>& fn) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (limit > 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            struct rlimit r {};
            ::getrlimit(RLIMIT_FSIZE, &r);
            r.rlim_cur = static_cast<rlim_t>(limit);
            ::setrlimit(RLIMIT_FSIZE, &r);
        }
        int rc = 0;
        try {
            rc = fn();
        } catch (...) {
            rc = 99;
        }
        ::_exit(rc);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testing_support
