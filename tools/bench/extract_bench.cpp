// Extraction benchmark: the program (offscreen, with settings that ask
// nothing) against `unrar x -o+ -inul` on the same archives.
//
//   build/tools/extract_bench build/src/tarnwick /tmp/tarnwick-bench [runs [unrar_loop]]
//
// Cases: (a) a 512 MiB archive of mixed compressible data, (b) an archive of
// 20,000 small files, (c) the time from process start to the first extracted
// byte (the first write seen in the output folder), (d) a one-file archive
// from process start to exit. Every case runs `runs` times (default nine, at
// least five) per program, alternating; the medians, their ratio and the
// peak memory are printed, with the load average before and after. The
// archives are made once by `rar` in the work folder and kept there for
// later runs; keep that folder on tmpfs (scripts/bench.sh uses /dev/shm).
// Beside the wall-clock medians, the medians of CPU time (user and system)
// of both, which a machine busy with other work disturbs less.
// Given the bare library loop (tools/bench/unrar_loop), cases (a) and (b) also
// run it in the same rotation, plain and with temporaries: the least that
// extraction through the library costs, without and with a temporary name
// and a rename per file.
// Not a test: nothing here fails.

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Sample {
    double seconds = 0;
    double firstByte = -1;  // seconds to the first write in the output folder
    double cpu = 0;         // user and system time, its own and its children's
    long peakKiB = 0;
    int exitCode = -1;
};

void writeFile(const fs::path& path, const std::string& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(data.data(), data.size());
}

// Runs a program with extra environment entries; waits for it and measures it.
// With `watch` set, also notes the first modification inside that folder.
Sample runMeasured(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                   const fs::path& watch) {
    Sample s;
    int ino = -1;
    if (!watch.empty()) {
        ino = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(ino, watch.c_str(), IN_MODIFY | IN_CLOSE_WRITE);
    }
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp, args;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argCopy = argv;
    for (auto& a : argCopy) args.push_back(a.data());
    args.push_back(nullptr);

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    for (;;) {
        if (ino >= 0 && s.firstByte < 0) {
            pollfd p{ino, POLLIN, 0};
            if (poll(&p, 1, 1) > 0) {
                s.firstByte = std::chrono::duration<double>(Clock::now() - start).count();
                char buf[4096];
                while (read(ino, buf, sizeof buf) > 0) {
                }
            }
        } else {
            usleep(1000);
        }
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
    }
    s.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    s.peakKiB = usage.ru_maxrss;
    s.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
            (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    s.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (ino >= 0) close(ino);
    return s;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void makeArchive(const fs::path& archive, const fs::path& source, const std::string& method) {
    if (fs::exists(archive)) return;
    std::fprintf(stderr, "making %s ...\n", archive.c_str());
    const std::string cmd = "cd '" + source.string() + "' && rar a -idq -r " + method + " '" +
                            archive.string() + "' . >/dev/null";
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "rar failed for %s\n", archive.c_str());
        std::exit(1);
    }
}

// Marks a finished source folder, beside it so it does not go into the archive.
fs::path doneMark(const fs::path& dir) { return dir.string() + ".done"; }

// 512 MiB in 8 files: text-like runs, repeated blocks and random blocks mixed.
void makeMixedSource(const fs::path& dir) {
    if (fs::exists(doneMark(dir))) return;
    fs::create_directories(dir);
    std::mt19937_64 gen(42);
    const std::size_t fileSize = 64u << 20, block = 64u << 10;
    for (int f = 0; f < 8; ++f) {
        std::string data;
        data.reserve(fileSize);
        while (data.size() < fileSize) {
            const auto kind = gen() % 3;
            std::string b(block, '\0');
            if (kind == 0) {
                for (auto& c : b) c = static_cast<char>(gen());
            } else if (kind == 1) {
                for (std::size_t i = 0; i < block; ++i) b[i] = "the quick brown fox \n"[gen() % 21];
            } else {
                for (std::size_t i = 0; i < block; ++i) b[i] = static_cast<char>('a' + i % 17);
            }
            data += b;
        }
        writeFile(dir / ("mixed" + std::to_string(f) + ".bin"), data);
    }
    writeFile(doneMark(dir), "");
}

void makeSmallFilesSource(const fs::path& dir) {
    if (fs::exists(doneMark(dir))) return;
    std::mt19937 gen(7);
    for (int d = 0; d < 100; ++d) {
        const fs::path sub = dir / ("folder" + std::to_string(d));
        fs::create_directories(sub);
        for (int f = 0; f < 200; ++f) {
            std::string data(200 + gen() % 1800, 'x');
            for (auto& c : data) c = "abcdefghij\n"[gen() % 11];
            writeFile(sub / ("file" + std::to_string(f) + ".txt"), data);
        }
    }
    writeFile(doneMark(dir), "");
}

struct Result {
    std::vector<double> times, firstBytes, cpus;
    long peakKiB = 0;
    int failures = 0;
};

// The library loop's medians against the reference's.
void reportLoops(const Result& plain, const Result& temporaries, const Result& ref) {
    if (plain.times.empty() || temporaries.times.empty() || ref.times.empty()) return;
    const double mr = median(ref.times);
    std::printf(
        "%-28s loop %8.1f ms (%.3f)   with temporaries %8.1f ms (%.3f)   cpu %.1f / %.1f ms%s\n",
        "", median(plain.times) * 1000, median(plain.times) / mr, median(temporaries.times) * 1000,
        median(temporaries.times) / mr, median(plain.cpus) * 1000, median(temporaries.cpus) * 1000,
        plain.failures + temporaries.failures ? "   (runs failed!)" : "");
}

void report(const char* name, const Result& prog, const Result& ref, bool firstByte) {
    const auto& p = firstByte ? prog.firstBytes : prog.times;
    const auto& r = firstByte ? ref.firstBytes : ref.times;
    if (p.empty() || r.empty()) {
        std::printf("%-28s no result\n", name);
        return;
    }
    const double mp = median(p), mr = median(r);
    // CPU time says less about waiting but suffers less from a busy machine.
    const double cp = median(prog.cpus), cr = median(ref.cpus);
    std::printf("%-28s tarnwick %8.1f ms   unrar %8.1f ms   ratio %.3f   cpu %.1f / %.1f ms"
                "   peak %ld / %ld KiB%s\n",
                name, mp * 1000, mr * 1000, mp / mr, cp * 1000, cr * 1000, prog.peakKiB,
                ref.peakKiB, prog.failures + ref.failures ? "   (runs failed!)" : "");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: extract_bench TARNWICK WORKFOLDER [RUNS [UNRAR_LOOP]]\n");
        return 2;
    }
    const std::string program = fs::absolute(argv[1]).string();
    const fs::path work = fs::absolute(argv[2]);
    const int runs = std::max(5, argc > 3 ? std::atoi(argv[3]) : 9);
    const std::string loop = argc > 4 ? fs::absolute(argv[4]).string() : std::string();
    fs::create_directories(work / "archives");

    makeMixedSource(work / "src-mixed");
    makeSmallFilesSource(work / "src-small");
    makeArchive(work / "archives/mixed.rar", work / "src-mixed", "-m3");
    makeArchive(work / "archives/small.rar", work / "src-small", "-m3");
    fs::create_directories(work / "src-one");
    if (!fs::exists(work / "src-one/readme.txt"))
        writeFile(work / "src-one/readme.txt", "one small file\n");
    makeArchive(work / "archives/one.rar", work / "src-one", "-m3");

    // A settings folder that asks nothing: no wizard, no subfolder, no folder
    // opened afterwards, existing files overwritten; the output folder is named
    // by folder.txt so every run starts from an empty one.
    const fs::path home = work / "home", config = work / "config", runtime = work / "run";
    const fs::path settings = config / "Ostrel/Tarnwick";
    fs::remove_all(settings);
    fs::create_directories(settings);
    fs::create_directories(home);
    fs::create_directories(runtime);
    chmod(runtime.c_str(), 0700);
    const fs::path out = work / "out";
    writeFile(settings / "folder.txt", out.string() + "\r\n");
    writeFile(settings / "replace.txt", ":-)\r\n");
    const std::vector<std::string> env = {
        "HOME=" + home.string(), "XDG_CONFIG_HOME=" + config.string(),
        "XDG_RUNTIME_DIR=" + runtime.string(), "QT_QPA_PLATFORM=offscreen"};

    const auto measure = [&](const fs::path& archive, bool watch, Result& prog, Result& ref,
                             Result* loops = nullptr) {
        const int contenders = loops && !loop.empty() ? 4 : 2;
        for (int i = 0; i < runs; ++i) {
            for (int which = 0; which < contenders; ++which) {
                fs::remove_all(out);
                fs::create_directories(out);
                sync();
                std::vector<std::string> command;
                if (which == 0) command = {program, archive.string()};
                if (which == 1)
                    command = {"/usr/bin/unrar", "x", "-o+", "-inul", archive.string(),
                               out.string() + "/"};
                if (which == 2) command = {loop, archive.string(), out.string()};
                if (which == 3) command = {loop, archive.string(), out.string(), "--temporaries"};
                Sample s = runMeasured(command, which == 0 ? env : std::vector<std::string>(),
                                       watch ? out : fs::path());
                Result& r = which == 0 ? prog : which == 1 ? ref : loops[which - 2];
                r.times.push_back(s.seconds);
                r.cpus.push_back(s.cpu);
                if (s.firstByte >= 0) r.firstBytes.push_back(s.firstByte);
                r.peakKiB = std::max(r.peakKiB, s.peakKiB);
                if (s.exitCode != 0) ++r.failures;
            }
        }
    };

    const auto load = [] {
        double l[3] = {0, 0, 0};
        if (getloadavg(l, 3) < 0) return std::string("unknown");
        char text[64];
        std::snprintf(text, sizeof text, "%.2f %.2f %.2f", l[0], l[1], l[2]);
        return std::string(text);
    };
    const std::string loadBefore = load();
    Result mixedP, mixedR, smallP, smallR, firstP, firstR, oneP, oneR;
    Result mixedLoops[2], smallLoops[2];
    measure(work / "archives/mixed.rar", false, mixedP, mixedR, mixedLoops);
    measure(work / "archives/small.rar", false, smallP, smallR, smallLoops);
    measure(work / "archives/mixed.rar", true, firstP, firstR);
    measure(work / "archives/one.rar", false, oneP, oneR);
    fs::remove_all(out);

    std::printf("%d alternating runs each, medians; load average %s before, %s after\n", runs,
                loadBefore.c_str(), load().c_str());
    report("(a) 512 MiB mixed", mixedP, mixedR, false);
    reportLoops(mixedLoops[0], mixedLoops[1], mixedR);
    report("(b) 20,000 small files", smallP, smallR, false);
    reportLoops(smallLoops[0], smallLoops[1], smallR);
    report("(c) start to first byte", firstP, firstR, true);
    report("(d) one file, start to exit", oneP, oneR, false);
    return 0;
}
