// Times the console's start as a seller sees it: from starting a new process to the main window's
// first paint, once in a folder without branding and once in a folder with a branding file and a
// JPEG banner; and reads the resident memory a second later, when the start-up requests have
// ended. The window is bench_startup_window, beside this program.
//
//     bench_startup [--cold] [plain|branded]...      (both when none is named)
//
// --cold empties the page cache before each start (root on Linux only), as after a reboot. This
// side uses no Qt at all: a measuring process that had Qt's libraries mapped would keep them in
// memory and the "cold" start would find them there.

#include "../common/BenchResult.h"
#include "../common/ProcessMemory.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A folder of its own under the temporary folder, removed with everything in it.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "vo-startup-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::string &path() const { return path_; }

private:
    std::string path_;
};

// A started child with its standard output on a pipe; killed and reaped when it goes.
class Child
{
public:
    explicit Child(const std::vector<std::string> &arguments)
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            std::vector<char *> argv;
            for (const std::string &argument : arguments)
                argv.push_back(const_cast<char *>(argument.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~Child()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    pid_t pid() const { return pid_; }

    // The first line the child writes, without its LF; nullopt when none comes within the time.
    std::optional<std::string> firstLine(std::chrono::milliseconds limit)
    {
        std::string said;
        const Clock::time_point end = Clock::now() + limit;
        while (pid_ > 0 && out_ >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            pollfd ready{out_, POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0)
                return std::nullopt;
            char buffer[256];
            const ssize_t got = read(out_, buffer, sizeof buffer);
            if (got <= 0)
                return std::nullopt;
            said.append(buffer, std::size_t(got));
            if (const std::size_t lf = said.find('\n'); lf != std::string::npos)
                return said.substr(0, lf);
        }
        return std::nullopt;
    }

    int wait()
    {
        int status = 0;
        if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_)
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

// Empties the page cache, so that the next start reads the program and its libraries from the
// disk as after a reboot.
bool dropPageCache()
{
    sync();
    std::ofstream dropCaches("/proc/sys/vm/drop_caches");
    dropCaches << "3";
    dropCaches.flush();
    return bool(dropCaches);
}

int measure(const std::string &window, const std::string &mode, bool cold)
{
    ScratchFolder folder;
    if (folder.path().empty() || Child({window, "--prepare", folder.path(), mode}).wait() != 0) {
        std::fprintf(stderr, "cannot prepare the %s folder\n", mode.c_str());
        return 1;
    }
    if (cold && !dropPageCache()) {
        std::fprintf(stderr, "--cold needs to write /proc/sys/vm/drop_caches (root on Linux)\n");
        return 1;
    }

    const Clock::time_point start = Clock::now();
    Child child({window, "--window", folder.path()});
    const std::optional<std::string> shown = child.firstLine(std::chrono::seconds(30));
    const double shownMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    // A branded start shows its banner; either start shows the main window alone, with no message.
    const std::string expected = std::string("shown banner=") + (mode == "branded" ? "1" : "0") + " windows=1";
    if (shown != expected) {
        std::fprintf(stderr, "the %s start did not come up as it should: \"%s\"\n", mode.c_str(),
                     shown ? shown->c_str() : "(nothing)");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double resident = vo::bench::statusKiB(std::to_string(child.pid()), "VmRSS") / 1024;

    std::printf("%-8s%s start to first paint %7.1f ms, resident a second later %5.1f MiB\n", mode.c_str(),
                cold ? " (cold)" : "", shownMs, resident);
    const std::string key = "startup." + std::string(cold ? "cold_" : "") + mode;
    vo::bench::result((key + "_ms").c_str(), shownMs);
    vo::bench::result((key + "_rss_mib").c_str(), resident);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    bool cold = false;
    std::vector<std::string> modes;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--cold") {
            cold = true;
        } else if (argument == "plain" || argument == "branded") {
            modes.push_back(argument);
        } else {
            std::fprintf(stderr, "usage: bench_startup [--cold] [plain|branded]...\n");
            return 2;
        }
    }
    if (modes.empty())
        modes = {"plain", "branded"};

    const std::string window = (fs::canonical("/proc/self/exe").parent_path() / "bench_startup_window").string();
    for (const std::string &mode : modes)
        if (const int status = measure(window, mode, cold); status != 0)
            return status;
    return 0;
}
