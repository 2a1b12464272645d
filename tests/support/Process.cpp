#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>

extern char** environ;

namespace fen::process {

namespace {

using Clock = std::chrono::steady_clock;

// This process's environment with the options' variables set over it.
std::vector<std::string> environmentWith(const Options& options) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        env.emplace_back(*e);
    }
    for (const auto& [name, value] : options.environment) {
        std::erase_if(env, [&](const std::string& e) { return e.starts_with(name + "="); });
        env.push_back(name + "=" + value);
    }
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings) {
        p.push_back(s.data());
    }
    p.push_back(nullptr);
    return p;
}

void closeFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

} // namespace

Result run(const std::vector<std::string>& argv, const Options& options) {
    Result result;
    auto start = Clock::now();
    // A child that stops reading its input must not end this process.
    signal(SIGPIPE, SIG_IGN);

    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    bool pipesMade =
        (options.input.empty() || pipe2(in, O_CLOEXEC) == 0) &&
        (!options.capture || (pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0));
    // Fed only as far as the pipe takes it, so that a child that writes before it has read all
    // of its input is read from meanwhile.
    if (in[1] >= 0) {
        fcntl(in[1], F_SETFL, O_NONBLOCK);
    }
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    if (in[0] >= 0) {
        posix_spawn_file_actions_adddup2(&files, in[0], 0);
    } else {
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    }
    if (options.capture) {
        posix_spawn_file_actions_adddup2(&files, out[1], 1);
        posix_spawn_file_actions_adddup2(&files, err[1], 2);
    } else {
        posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    }
    // The child starts with default signal handling (SIGPIPE is ignored here) and nothing blocked.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (options.ownProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    posix_spawnattr_setflags(&attributes, flags);

    std::vector<std::string> args = argv, env = environmentWith(options);
    pid_t pid = -1;
    int spawned = ENOENT;
    if (pipesMade && !args.empty()) {
        spawned = posix_spawnp(&pid, args[0].c_str(), &files, &attributes, pointers(args).data(),
                               pointers(env).data());
    }
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    closeFd(in[0]);
    closeFd(out[1]);
    closeFd(err[1]);
    if (!pipesMade || spawned != 0) {
        for (int* fd : {&in[1], &out[0], &err[0]}) {
            closeFd(*fd);
        }
        result.err = "cannot run " + (args.empty() ? std::string("nothing") : args[0]) + ": " +
                     std::strerror(pipesMade ? spawned : errno);
        return result;
    }
    if (options.cpuSeconds > 0) {
        auto soft = static_cast<rlim_t>(std::ceil(options.cpuSeconds));
        rlimit cpu{soft, soft + 1};
        prlimit(pid, RLIMIT_CPU, &cpu, nullptr);
    }

    // Woken the moment the child ends (through a pidfd), else checked every few milliseconds.
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                std::chrono::duration<double>(options.wallSeconds));
    int status = 0;
    rusage usage{};
    bool ended = false;
    std::size_t written = 0;
    char buffer[65536];
    while (!ended || out[0] >= 0 || err[0] >= 0) {
        if (!ended && wait4(pid, &status, WNOHANG, &usage) == pid) {
            ended = true;
            closeFd(in[1]);
            // Whatever the group left behind goes too, and with it any hold on the pipes.
            if (options.ownProcessGroup) {
                kill(-pid, SIGKILL);
            }
            continue;
        }
        int wait = pidfd >= 0 ? -1 : 10;
        if (options.wallSeconds > 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                result.timedOut = !ended;
                kill(options.ownProcessGroup ? -pid : pid, SIGKILL);
                if (!ended) {
                    wait4(pid, &status, 0, &usage);
                    ended = true;
                }
                break;
            }
            wait = wait < 0 ? static_cast<int>(left.count()) + 1
                            : std::min(wait, static_cast<int>(left.count()) + 1);
        }
        pollfd fds[4] = {{out[0], POLLIN, 0},
                         {err[0], POLLIN, 0},
                         {in[1], POLLOUT, 0},
                         {ended ? -1 : pidfd, POLLIN, 0}};
        if (poll(fds, 4, wait) < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? out[0] : err[0];
            if (fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                ssize_t n = read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    closeFd(fd);
                }
            }
        }
        if (in[1] >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n =
                write(in[1], options.input.data() + written, options.input.size() - written);
            if (n > 0) {
                written += static_cast<size_t>(n);
            }
            if ((n < 0 && errno != EINTR && errno != EAGAIN) || written == options.input.size()) {
                closeFd(in[1]);
            }
        }
    }
    for (int* fd : {&in[1], &out[0], &err[0], &pidfd}) {
        closeFd(*fd);
    }

    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.peakKb = usage.ru_maxrss;
    result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

} // namespace fen::process
