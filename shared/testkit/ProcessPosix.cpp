#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "testkit/TestKit.h"

namespace testkit {

bool makeFolderLink(const std::string& target, const std::string& linkPath) {
    return symlink(target.c_str(), linkPath.c_str()) == 0;
}

bool makeFileLink(const std::string& target, const std::string& linkPath) {
    return symlink(target.c_str(), linkPath.c_str()) == 0;
}

TempFolderOverride::TempFolderOverride(const std::string& folder) {
    const char* old = std::getenv("TMPDIR");
    saved_.push_back({"TMPDIR", old ? old : ""});
    wasSet_.push_back(old != nullptr);
    setenv("TMPDIR", folder.c_str(), 1);
}

TempFolderOverride::~TempFolderOverride() {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
        if (wasSet_[i])
            setenv(saved_[i].first.c_str(), saved_[i].second.c_str(), 1);
        else
            unsetenv(saved_[i].first.c_str());
    }
}

bool makePipe(const std::string& path) { return mkfifo(path.c_str(), 0600) == 0; }

bool makeSizedFile(const std::string& path, std::uint64_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) return false;
    bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
    return close(fd) == 0 && ok;
}

std::string programPath(const std::string& name) {
    char self[PATH_MAX + 1] = {0};
    ssize_t length = readlink("/proc/self/exe", self, PATH_MAX);
    if (length <= 0) throw std::runtime_error("cannot find the test executable");
    std::string dir(self, static_cast<std::size_t>(length));
    return dir.substr(0, dir.rfind('/') + 1) + name;
}

ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingFolder) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
    pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        close(pipeFds[0]);
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, 0);
        if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    ProcessResult result;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace testkit
