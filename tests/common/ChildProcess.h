#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

namespace testing_support {

// A function run in a child process of its own (fork), for what must happen in another process
// (a second program holding a file) or may end it (a kill at a chosen write, a crash, a hang).
// The child's files cannot grow past fileSizeLimit bytes (writes beyond fail with EFBIG, as on
// a full disk; 0: no limit). Its exit code is fn's result, 99 when fn threw. A child not waited
// for is killed when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(const std::function<int()>& fn, long long fileSizeLimit = 0) {
        std::fflush(nullptr);
        pid_ = ::fork();
        if (pid_ != 0) return;
        if (fileSizeLimit > 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            struct rlimit r {};
            ::getrlimit(RLIMIT_FSIZE, &r);
            r.rlim_cur = static_cast<rlim_t>(fileSizeLimit);
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
    ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_) { other.pid_ = -1; }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (pid_ > 0) kill();
    }

    // Waits for the child to end: its exit code, 128 + the signal that ended it, or -1 when it
    // is still running after timeoutSeconds (it is then killed); -2 when it never started.
    int wait(int timeoutSeconds = 120) {
        if (pid_ <= 0) return -2;
        int status = 0;
        bool ranOver = false;
        for (long polls = 0; ::waitpid(pid_, &status, WNOHANG) == 0; ++polls) {
            if (polls >= timeoutSeconds * 500L) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                ranOver = true;
                break;
            }
            ::usleep(2000);
        }
        pid_ = -1;
        if (ranOver) return -1;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -3;
    }

    // Ends the child at once; what wait gives.
    int kill() {
        if (pid_ > 0) ::kill(pid_, SIGKILL);
        return wait();
    }

private:
    pid_t pid_ = -1;
};

// Runs fn in a child process and waits for it (see ChildProcess::wait).
inline int runInChild(const std::function<int()>& fn, long long fileSizeLimit = 0,
                      int timeoutSeconds = 120) {
    return ChildProcess(fn, fileSizeLimit).wait(timeoutSeconds);
}

inline int withFileSizeLimit(long long limit, const std::function<int()>& fn) {
    return runInChild(fn, limit);
}

// A child process that opens something (a table, a lock) and holds it until released: the
// constructor returns once open has returned, held() telling whether it worked.
class HoldingChild {
public:
    explicit HoldingChild(const std::function<std::shared_ptr<void>()>& open) {
        int ready[2] = {-1, -1};
        int release[2] = {-1, -1};
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        child_.emplace([&] {
            ::close(ready[0]);
            ::close(release[1]);
            const std::shared_ptr<void> held = open();
            char c = 'r';
            if (::write(ready[1], &c, 1) != 1) return 3;
            return ::read(release[0], &c, 1) == 0 ? 0 : 4;  // end of file: released
        });
        ::close(ready[1]);
        ::close(release[0]);
        char c = 0;
        held_ = ::read(ready[0], &c, 1) == 1;
        ::close(ready[0]);
        releaseFd_ = release[1];
    }
    HoldingChild(const HoldingChild&) = delete;
    HoldingChild& operator=(const HoldingChild&) = delete;
    ~HoldingChild() {
        if (releaseFd_ >= 0) ::close(releaseFd_);
    }

    bool held() const { return held_; }

    // Lets the child close what it holds and end: what ChildProcess::wait gives.
    int release() {
        ::close(releaseFd_);
        releaseFd_ = -1;
        return child_ ? child_->wait() : -2;
    }

private:
    std::optional<ChildProcess> child_;
    int releaseFd_ = -1;
    bool held_ = false;
};

}  // namespace testing_support
