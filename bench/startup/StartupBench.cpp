// Times the console's start as a seller sees it: from starting a new process to the main window's
// first paint, once in a folder without branding and once in a folder with a branding file and a
// JPEG banner; and reads the resident memory a second later, when the start-up requests have
// ended. Beside it, started and watched the same way, two bare windows of the same size: one that
// links only QtWidgets ("bare") and one that links every Qt module the console links
// ("bare-modules"). The console's window is bench_startup_window, the bare ones
// bench_reference_widgets and bench_reference_modules, all beside this program.
//
//     bench_startup [--cold] [--rounds N] [MODE]...   (every mode of kModes when none is named)
//
// Each round starts every named program once, in turn, so that a drift of the machine's speed
// touches them alike, and begins with the next program of the list; when "bare" is among them,
// each round also gives every other start's ratio to it and its resident memory beyond it. Beside
// the time on the clock, each start's processor time until its first paint (all its threads, as
// the kernel's scheduler counts it) tells the program's own work from waiting on a busy machine.
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
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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
    // bus, when not empty, becomes the child's DBUS_SESSION_BUS_ADDRESS.
    explicit Child(const std::vector<std::string> &arguments, const std::string &bus = {})
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            if (!bus.empty())
                setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
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

struct Start
{
    double ms = 0;
    double cpuMs = 0;
    double residentMiB = 0;
};

// The processor time that the process's threads have had so far, in ms (Linux only; 0 elsewhere).
double processorMs(pid_t pid)
{
    double ns = 0;
    std::error_code ignored;
    for (const auto &task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ignored)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double onCpu = 0;
        if (schedstat >> onCpu)
            ns += onCpu;
    }
    return ns / 1e6;
}

// What a mode starts: the program beside this one, the way it starts the window, and the session
// bus it is given. The last two modes are the console with one cost of its start taken away, to
// weigh that cost: the skin's style sheet, and the session bus that Qt looks for (with none
// named, libdbus tries to launch one).
struct Mode
{
    const char *name;
    const char *program;
    const char *command;
    const char *bus;
};

constexpr Mode kModes[] = {
    {"bare", "bench_reference_widgets", "--window", ""},
    {"bare-modules", "bench_reference_modules", "--window", ""},
    {"plain", "bench_startup_window", "--window", ""},
    {"branded", "bench_startup_window", "--window", ""},
    {"plain-unskinned", "bench_startup_window", "--unskinned", ""},
    {"plain-nobus", "bench_startup_window", "--window", "unix:path=/nonexistent"},
};

const Mode *modeNamed(const std::string &name)
{
    for (const Mode &mode : kModes)
        if (name == mode.name)
            return &mode;
    return nullptr;
}

std::optional<Start> measure(const Mode &modeToStart, bool cold)
{
    const std::string mode = modeToStart.name;
    const std::string program = (fs::canonical("/proc/self/exe").parent_path() / modeToStart.program).string();
    // Only a branded start has a branding file in its folder.
    const std::string preparation = mode == "branded" ? "branded" : "plain";
    ScratchFolder folder;
    if (folder.path().empty() || Child({program, "--prepare", folder.path(), preparation}).wait() != 0) {
        std::fprintf(stderr, "cannot prepare the %s folder\n", mode.c_str());
        return std::nullopt;
    }
    if (cold && !dropPageCache()) {
        std::fprintf(stderr, "--cold needs to write /proc/sys/vm/drop_caches (root on Linux)\n");
        return std::nullopt;
    }

    const Clock::time_point start = Clock::now();
    Child child({program, modeToStart.command, folder.path()}, modeToStart.bus);
    const std::optional<std::string> shown = child.firstLine(std::chrono::seconds(30));
    const double shownMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double cpuMs = processorMs(child.pid());
    // A branded start shows its banner; every start shows its window alone, with no message.
    const std::string expected = std::string("shown banner=") + (mode == "branded" ? "1" : "0") + " windows=1";
    if (shown != expected) {
        std::fprintf(stderr, "the %s start did not come up as it should: \"%s\"\n", mode.c_str(),
                     shown ? shown->c_str() : "(nothing)");
        return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double resident = vo::bench::statusKiB(std::to_string(child.pid()), "VmRSS") / 1024;

    std::printf("%-16s%s start to first paint %7.1f ms (processor %6.1f ms), resident a second later %5.1f MiB\n",
                mode.c_str(), cold ? " (cold)" : "", shownMs, cpuMs, resident);
    const std::string key = "startup." + std::string(cold ? "cold_" : "") + mode;
    vo::bench::result((key + "_ms").c_str(), shownMs);
    vo::bench::result((key + "_cpu_ms").c_str(), cpuMs);
    vo::bench::result((key + "_rss_mib").c_str(), resident);
    return Start{shownMs, cpuMs, resident};
}

// Every start of one round against the bare reference of the same round.
void compareRound(const std::map<std::string, Start> &round, bool cold)
{
    const auto bare = round.find("bare");
    if (bare == round.end())
        return;
    for (const auto &[mode, start] : round) {
        if (mode == "bare")
            continue;
        const std::string key = "startup." + std::string(cold ? "cold_" : "") + mode;
        vo::bench::result((key + "_ratio").c_str(), start.ms / bare->second.ms);
        vo::bench::result((key + "_cpu_ratio").c_str(), start.cpuMs / bare->second.cpuMs);
        vo::bench::result((key + "_extra_rss_mib").c_str(), start.residentMiB - bare->second.residentMiB);
    }
}

} // namespace

int main(int argc, char **argv)
{
    bool cold = false;
    int rounds = 1;
    std::vector<const Mode *> modes;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--cold") {
            cold = true;
        } else if (argument == "--rounds" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            rounds = std::atoi(argv[++i]);
        } else if (const Mode *mode = modeNamed(argument)) {
            modes.push_back(mode);
        } else {
            std::fprintf(stderr, "usage: bench_startup [--cold] [--rounds N] [MODE]...\nmodes:");
            for (const Mode &known : kModes)
                std::fprintf(stderr, " %s", known.name);
            std::fprintf(stderr, "\n");
            return 2;
        }
    }
    if (modes.empty())
        for (const Mode &mode : kModes)
            modes.push_back(&mode);

    for (int i = 0; i < rounds; ++i) {
        std::map<std::string, Start> round;
        // Each round begins with another program, so that none always follows the same one.
        for (std::size_t k = 0; k < modes.size(); ++k) {
            const Mode &mode = *modes[(std::size_t(i) + k) % modes.size()];
            const std::optional<Start> start = measure(mode, cold);
            if (!start)
                return 1;
            round[mode.name] = *start;
            // The X server tears down the ended program's windows after it has gone; the next
            // start must not share the server with that.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        compareRound(round, cold);
    }
    return 0;
}
