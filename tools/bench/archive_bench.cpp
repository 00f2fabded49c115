// Archive component benchmark (not a test): how much the component adds to
// the library's own work.
//
//   archive_bench make WORKDIR     makes WORKDIR/mixed.rar (about 512 MiB of
//                                  mixed random and text-like data, rar -m1)
//                                  and WORKDIR/many.rar (20,000 small entries)
//   archive_bench extract ARCHIVE WORKDIR [RUNS]
//                                  TRAR::ExtractArchive against
//                                  `unrar x -o+ -inul`, alternating, RUNS each
//   archive_bench list ARCHIVE [RUNS]
//                                  TRAR::ListArchive
//   archive_bench verdicts [-pPASSWORD] WORKDIR ARCHIVE...
//                                  each archive extracted by the component
//                                  and by `unrar x` (with PASSWORD, or with
//                                  none): differing verdicts and trees,
//                                  crashes and hangs, counted
//   archive_bench walk ARCHIVE [RUNS]
//                                  the block-chain walk that judges the
//                                  archive whole, once per extraction, and
//                                  the check before every open
//
// Keep WORKDIR under /tmp, never in the source tree.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "archive/BlockChain.h"
#include "archive/RAR.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

static int Run(const std::vector<std::string>& args, const std::string& cwd = {}) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Deterministic data: random bytes, or text-like words.
static void WriteData(const std::string& path, size_t size, uint32_t seed, bool text) {
    static const char* const words[] = {"archive ", "volume ", "entry ",  "folder ", "packed ",
                                        "header ",  "stored ", "solid\n", "1987 ",   "data "};
    std::ofstream out(path, std::ios::binary);
    std::string buf;
    uint32_t x = seed * 2654435761u + 1;
    while (size > 0) {
        buf.clear();
        while (buf.size() < (1u << 20)) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            if (text)
                buf += words[x % 10];
            else
                buf.append(reinterpret_cast<const char*>(&x), 4);
        }
        size_t n = std::min(size, buf.size());
        out.write(buf.data(), static_cast<std::streamsize>(n));
        size -= n;
    }
}

static int Make(const std::string& work) {
    fs::create_directories(work + "/mixed");
    for (int i = 0; i < 15; ++i)  // 472 MiB that does not shrink
        WriteData(work + "/mixed/random" + std::to_string(i) + ".bin",
                  i < 14 ? 32u << 20 : 24u << 20, i + 1, false);
    for (int i = 0; i < 8; ++i)  // 256 MiB of text
        WriteData(work + "/mixed/text" + std::to_string(i) + ".txt", 32u << 20, i + 100, true);
    fs::remove(work + "/mixed.rar");
    if (Run({"rar", "a", "-idq", "-m1", "-r", "../mixed.rar", "."}, work + "/mixed") != 0) return 1;

    fs::create_directories(work + "/many");
    for (int i = 0; i < 20000; ++i) {
        std::string dir = work + "/many/d" + std::to_string(i / 500);
        if (i % 500 == 0) fs::create_directories(dir);
        std::ofstream(dir + "/f" + std::to_string(i) + ".txt") << "entry " << i << "\n";
    }
    fs::remove(work + "/many.rar");
    if (Run({"rar", "a", "-idq", "-m1", "-r", "../many.rar", "."}, work + "/many") != 0) return 1;
    std::printf("made %s/mixed.rar (%.0f MiB) and %s/many.rar\n", work.c_str(),
                fs::file_size(work + "/mixed.rar") / 1048576.0, work.c_str());
    return 0;
}

static int Extract(const std::string& archive, const std::string& work, int runs) {
    std::vector<double> ours, reference;
    TRAR rar;
    if (!rar.ListArchive(archive)) return 1;
    for (int i = 0; i < runs; ++i) {
        std::string out = work + "/out";
        fs::remove_all(out);
        ::sync();
        auto t0 = Clock::now();
        bool ok = rar.ExtractArchive(std::wstring(out.begin(), out.end()), true);
        ours.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
        if (!ok) std::fprintf(stderr, "ExtractArchive failed\n");

        fs::remove_all(out);
        fs::create_directories(out);
        ::sync();
        t0 = Clock::now();
        int rc = Run({"unrar", "x", "-o+", "-inul", archive, out + "/"});
        reference.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
        if (rc != 0) std::fprintf(stderr, "unrar failed: %d\n", rc);
        std::printf("run %d: ExtractArchive %.3f s, unrar x %.3f s\n", i + 1, ours.back(),
                    reference.back());
    }
    fs::remove_all(work + "/out");
    double a = Median(ours), b = Median(reference);
    std::printf("median of %d: ExtractArchive %.3f s, unrar x %.3f s, ratio %.3f\n", runs, a, b,
                a / b);
    return 0;
}

static int List(const std::string& archive, int runs) {
    std::vector<double> times;
    int entries = 0;
    for (int i = 0; i < runs; ++i) {
        TRAR rar;
        entries = 0;
        rar.OnListFile = [&](TRAR&, const TRARFileItem&) { ++entries; };
        auto t0 = Clock::now();
        rar.ListArchive(archive);
        times.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::printf("ListArchive of %d entries: median of %d %.3f s\n", entries, runs, Median(times));
    return 0;
}

static int Walk(const std::string& archive, int runs) {
    std::vector<double> times;
    rardll::ChainWalk walk;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        walk = rardll::WalkArchiveFile(archive);
        times.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::printf("walk of %llu blocks (%s): median of %d %.4f s\n",
                static_cast<unsigned long long>(walk.blocks),
                walk.verdict == rardll::ChainVerdict::Whole ? "whole" : "not whole", runs,
                Median(times));
    times.clear();
    bool unsafe = false;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        unsafe = rardll::UnsafeForLibrary(archive);
        times.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::printf("check before open (%s): median of %d %.4f s\n", unsafe ? "refused" : "passed",
                runs, Median(times));
    return 0;
}

// A folder's tree: relative path -> "/" for a folder, else the file's bytes.
static std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        const std::string rel = fs::relative(it->path(), root, ec).string();
        if (it->is_symlink(ec))
            tree[rel] = "-> " + fs::read_symlink(it->path(), ec).string();
        else if (it->is_directory(ec))
            tree[rel] = "/";
        else {
            std::ifstream in(it->path(), std::ios::binary);
            tree[rel] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return tree;
}

// Each archive extracted by the component (as the program does: list, then
// extract; `password` or none) in a child process, and by `unrar x` with the
// same, both with a time limit; prints one line per archive that differs and
// the totals.
static int Verdicts(const std::string& work, const std::vector<std::string>& archives,
                    const std::string& password) {
    int same = 0, wrongSuccess = 0, falseFailure = 0, treeDiffers = 0, died = 0, hung = 0,
        referenceHung = 0;
    for (const std::string& archive : archives) {
        fs::remove_all(work);
        fs::create_directories(work + "/ours");
        fs::create_directories(work + "/reference");
        const int rc = Run({"timeout", "20", "unrar", "x", "-y",
                            password.empty() ? "-p-" : "-p" + password, "-inul",
                            fs::absolute(archive).string(), work + "/reference/"});
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::alarm(20);
            TRAR rar;
            rar.OnPasswordRequired = [&](TRAR&, bool, const std::wstring&, std::string& given,
                                         bool& cancel) {
                given = password;
                cancel = password.empty();
            };
            rar.ForceTestToEnd = true;
            rar.OnReplace = [](TRAR&, const TRARReplaceData&, const TRARReplaceData&,
                               TRARReplaceAction& action) { action = rrOverwrite; };  // as -y
            rar.ListForExtraction(archive);  // as the program lists it
            _exit(rar.ExtractArchive(rardll::Utf8ToWide(work + "/ours"), true) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        const char* what = nullptr;
        if (rc == 124) {
            ++referenceHung;
            continue;
        }
        if (WIFSIGNALED(status)) {
            what = WTERMSIG(status) == SIGALRM ? "hung" : "died";
            ++(WTERMSIG(status) == SIGALRM ? hung : died);
        } else if (WEXITSTATUS(status) == 0 && rc != 0) {
            what = "wrong success";
            ++wrongSuccess;
        } else if (WEXITSTATUS(status) != 0 && rc == 0) {
            what = "false failure";
            ++falseFailure;
        } else if (Tree(work + "/ours") != Tree(work + "/reference")) {
            what = "tree differs";
            ++treeDiffers;
        } else {
            ++same;
        }
        if (what) std::printf("%s: %s (unrar x %d)\n", archive.c_str(), what, rc);
    }
    std::printf(
        "%zu archives: %d as unrar x, %d wrong successes, %d false failures, %d other trees, "
        "%d died, %d hung (%d skipped: unrar x hung)\n",
        archives.size(), same, wrongSuccess, falseFailure, treeDiffers, died, hung,
        referenceHung);
    return 0;
}

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc == 3) return Make(argv[2]);
    if (mode == "extract" && argc >= 4)
        return Extract(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 5);
    if (mode == "list" && argc >= 3) return List(argv[2], argc > 3 ? std::atoi(argv[3]) : 5);
    if (mode == "walk" && argc >= 3) return Walk(argv[2], argc > 3 ? std::atoi(argv[3]) : 5);
    if (mode == "verdicts" && argc >= 4) {
        const bool given = std::string(argv[2]).rfind("-p", 0) == 0;
        if (given && argc < 5) return 2;
        return Verdicts(argv[given ? 3 : 2], std::vector<std::string>(argv + (given ? 4 : 3), argv + argc),
                        given ? std::string(argv[2]).substr(2) : std::string());
    }
    std::fprintf(stderr,
                 "usage: archive_bench make WORKDIR | extract ARCHIVE WORKDIR [RUNS] | list "
                 "ARCHIVE [RUNS] | walk ARCHIVE [RUNS] | verdicts [-pPASSWORD] WORKDIR ARCHIVE...\n");
    return 2;
}
