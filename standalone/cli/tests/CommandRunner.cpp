#include "CommandRunner.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quorvane::testing {

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

CommandResult runQuorvane(const std::vector<std::string>& arguments, const RunOptions& options)
{
    std::vector<std::string> argv = {QUORVANE_EXECUTABLE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argp;
    for (std::string& a : argv)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), options.environment.begin(), options.environment.end());
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    char outName[] = "/tmp/quorvane-out-XXXXXX";
    char errName[] = "/tmp/quorvane-err-XXXXXX";
    const int outFd = ::mkstemp(outName);
    const int errFd = ::mkstemp(errName);
    if (outFd < 0 || errFd < 0)
        throw std::runtime_error("cannot create capture files");

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        if (!options.directory.empty() && ::chdir(options.directory.c_str()) != 0)
            ::_exit(127);
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    ::close(outFd);
    ::close(errFd);
    int status = 0;
    bool signalled = false;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, options.interruptWhen && !signalled ? WNOHANG : 0);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            throw std::runtime_error("waitpid failed");
        if (done == 0 && options.interruptWhen()) {
            ::kill(pid, SIGINT);
            signalled = true;
        } else if (done == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    CommandResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    result.out = slurp(outName);
    result.err = slurp(errName);
    ::unlink(outName);
    ::unlink(errName);
    return result;
}

} // namespace quorvane::testing
