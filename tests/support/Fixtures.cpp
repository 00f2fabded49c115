#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "support/Process.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace testing_support {

std::string PatternData(std::size_t size, unsigned seed, bool compressible) {
    static const char* const words[] = {"archive ", "volume ",   "entry ",  "folder ",
                                        "packed ",  "header ",   "stored ", "solid ",
                                        "\n",       "tarnwick ", "data ",   "1234 "};
    std::string out;
    out.reserve(size);
    std::uint32_t x = seed * 2654435761u + 12345u;
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    while (out.size() < size) {
        if (compressible)
            out += words[next() % 12];
        else
            out.push_back(static_cast<char>(next() & 0xFF));
    }
    out.resize(size);
    return out;
}

std::string FindProgram(const std::string& name) {
#ifdef _WIN32
    const char separator = ';';
    const std::string suffix = ".exe";
#else
    const char separator = ':';
    const std::string suffix;
#endif
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(separator, start);
        if (end == std::string::npos) end = dirs.size();
        const fs::path candidate = fs::u8path(dirs.substr(start, end - start)) / (name + suffix);
        std::error_code ec;
        const fs::perms perms = fs::status(candidate, ec).permissions();
        if (!ec && fs::is_regular_file(candidate, ec) &&
            (perms & fs::perms::owner_exec) != fs::perms::none)
            return candidate.u8string();
        start = end + 1;
    }
    return {};
}

void PlaceFixture(const std::string& scratch, const std::string& folder) {
    const std::string version = ReadFile(scratch + "/done");
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::error_code error;
        fs::rename(scratch, folder, error);
        if (!error) return;
        if (fs::exists(folder + "/done") && ReadFile(folder + "/done") == version) {
            // Another test binary finished the same fixture first: keep it,
            // its tests may be reading it now.
            RemoveTree(scratch);
            return;
        }
        // An unfinished or outdated folder is moved aside in one step, so
        // that only one of several binaries removes it.
        const std::string aside = folder + ".old-" + std::to_string(::getpid());
        if (!fs::exists(folder) || (fs::rename(folder, aside, error), error)) continue;
        RemoveTree(aside);
    }
    throw std::runtime_error("cannot place the fixture " + folder);
}

namespace {

using Populate = std::function<void(const std::string& source)>;

void Write(const std::string& path, const std::string& data) {
    fs::create_directories(fs::path(path).parent_path());
    WriteFile(path, data);
}

void Rar(const std::string& cwd, std::vector<std::string> args) {
    static const std::string rar = FindProgram("rar");
    if (rar.empty()) throw std::runtime_error("rar is not installed");
    args.push_back("-idq");
    ProcessOptions options;
    options.workingDirectory = cwd;
    options.timeoutSeconds = 300;
    ProcessResult r = RunProcess(rar, args, options);
    if (r.exitCode != 0) {
        std::string cmd = "rar";
        for (auto& a : args) cmd += " " + a;
        throw std::runtime_error(cmd + " failed: " + r.output);
    }
}

std::vector<std::string> ListFiles(const std::string& source) {
    std::vector<std::string> files;
    for (auto it = fs::recursive_directory_iterator(fs::u8path(source));
         it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_regular_file() && !it->is_symlink())
            files.push_back(fs::relative(it->path(), fs::u8path(source)).generic_u8string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Raise this when a maker below changes, so that build trees make their
// fixtures again.
const char* const kFixtureVersion = "5";

// The build tree's, or the folder TARNWICK_TEST_FIXTURES names (where
// scripts/test.sh --windows has the Linux fixture maker put them for the
// Windows tests, which cannot run rar).
std::string FixtureRoot() {
    const char* named = std::getenv("TARNWICK_TEST_FIXTURES");
    return named && *named ? named : std::string(TEST_BUILD_DIR) + "/fixtures";
}

// Makes (once per build tree) the fixture `name`: `populate` fills a source
// folder, `make` runs rar in the fixture folder (sources in "src/"). The
// fixture is built in a scratch folder and renamed into place, so a run
// stopped half-way leaves nothing that looks finished.
ArchiveFixture Make(const std::string& name, const std::string& archive, const Populate& populate,
                    const std::function<void(const std::string& folder)>& make,
                    int expectedVolumes = 1) {
    const std::string folder = FixtureRoot() + "/" + name;
    ArchiveFixture f;
    auto describe = [&] {
        f.source = folder + "/src";
        f.archive = folder + "/" + archive;
        f.volumes.clear();
        if (expectedVolumes == 1) {
            f.volumes.push_back(f.archive);
        } else {
            std::string base = archive.substr(0, archive.find(".part1.rar"));
            for (int i = 1; i <= expectedVolumes; ++i) {
                std::string v = folder + "/" + base + ".part" + std::to_string(i) + ".rar";
                if (fs::exists(v)) f.volumes.push_back(v);
            }
        }
        f.files = ListFiles(f.source);
    };
    if (fs::exists(folder + "/done") && ReadFile(folder + "/done") == kFixtureVersion) {
        describe();
        return f;
    }
#ifdef _WIN32
    throw std::runtime_error("no fixture \"" + name + "\" in " + FixtureRoot() +
                             ": the fixtures are made on Linux (scripts/test.sh --windows)");
#endif
    fs::create_directories(FixtureRoot());
    std::string scratch = FixtureRoot() + "/." + name + "-" + std::to_string(::getpid());
    RemoveTree(scratch);
    fs::create_directories(scratch + "/src");
    populate(scratch + "/src");
    make(scratch);
    WriteFile(scratch + "/done", kFixtureVersion);
    PlaceFixture(scratch, folder);
    describe();
    return f;
}

// A fixed time long past for the files that go into archives, so that a
// file written by a test is always newer than the entry, even at the
// archive's 2-second resolution.
void MakeOld(const std::string& path) {
    ASSERT_TRUE(SetModifiedTime(path, 1577880000)) << path;  // 2020-01-01 12:00 UTC
}

void CommonFiles(const std::string& src) {
    Write(src + "/readme.txt", PatternData(3000, 1, true));
    Write(src + "/data/random.bin", PatternData(70000, 2, false));
    Write(src + "/data/notes.txt", PatternData(120000, 3, true));
    Write(src + "/data/deeper/tiny.txt", "tiny\n");
    for (const char* file :
         {"/readme.txt", "/data/random.bin", "/data/notes.txt", "/data/deeper/tiny.txt"})
        MakeOld(src + file);
}

template <typename MakeFn>
const ArchiveFixture& Cached(const std::string& key, MakeFn makeFixture) {
    static std::map<std::string, ArchiveFixture> cache;
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(key, makeFixture()).first;
    return it->second;
}

}  // namespace

const ArchiveFixture& PlainArchive() {
    return Cached("plain", [] {
        return Make("plain", "plain.rar", CommonFiles, [](const std::string& d) {
            Rar(d + "/src", {"a", "-r", "../plain.rar", "."});
        });
    });
}

const ArchiveFixture& SolidArchive() {
    return Cached("solid", [] {
        return Make("solid", "solid.rar", CommonFiles, [](const std::string& d) {
            Rar(d + "/src", {"a", "-r", "-s", "../solid.rar", "."});
        });
    });
}

const ArchiveFixture& EncryptedArchive() {
    return Cached("encrypted", [] {
        return Make("encrypted", "encrypted.rar", CommonFiles, [](const std::string& d) {
            Rar(d + "/src",
                {"a", "-r", std::string("-p") + kFixturePassword, "../encrypted.rar", "."});
        });
    });
}

const ArchiveFixture& EncryptedHeadersArchive() {
    return Cached("encrypted-headers", [] {
        return Make("encrypted-headers", "headers.rar", CommonFiles, [](const std::string& d) {
            Rar(d + "/src",
                {"a", "-r", std::string("-hp") + kFixturePassword, "../headers.rar", "."});
        });
    });
}

// Random data does not shrink, so 200 KB in 64 KB volumes gives four volumes.
static void VolumeFiles(const std::string& src) {
    Write(src + "/first.txt", PatternData(5000, 10, true));
    Write(src + "/big.bin", PatternData(200000, 11, false));
    Write(src + "/last.txt", PatternData(5000, 12, true));
}

const ArchiveFixture& VolumeSet() {
    return Cached("volumes", [] {
        return Make(
            "volumes", "set.part1.rar", VolumeFiles,
            [](const std::string& d) {
                Rar(d + "/src",
                    {"a", "-m0", "-v64k", "../set.rar", "first.txt", "big.bin", "last.txt"});
            },
            4);
    });
}

const ArchiveFixture& VolumeSetMissingMiddle() {
    return Cached("volumes-missing", [] {
        return Make(
            "volumes-missing", "set.part1.rar", VolumeFiles,
            [](const std::string& d) {
                Rar(d + "/src",
                    {"a", "-m0", "-v64k", "../set.rar", "first.txt", "big.bin", "last.txt"});
                fs::remove(d + "/set.part2.rar");
            },
            4);
    });
}

const ArchiveFixture& HiddenVolumeSet() {
    return Cached("volumes-hidden", [] {
        return Make(
            "volumes-hidden", "set.part1.rar", VolumeFiles,
            [](const std::string& d) {
                Rar(d + "/src", {"a", "-m0", "-v64k", std::string("-hp") + kFixturePassword,
                                 "../set.rar", "first.txt", "big.bin", "last.txt"});
            },
            4);
    });
}

const ArchiveFixture& CommentArchive() {
    return Cached("comment", [] {
        return Make("comment", "comment.rar", CommonFiles, [](const std::string& d) {
            WriteFile(d + "/comment.txt", kFixtureComment);
            Rar(d + "/src", {"a", "-r", "-k", "-rr", "-z../comment.txt", "../comment.rar", "."});
        });
    });
}

const ArchiveFixture& FoldersArchive() {
    return Cached("folders", [] {
        return Make(
            "folders", "folders.rar",
            [](const std::string& src) {
                Write(src + "/top.txt", "top\n");
                Write(src + "/a/b/c/deep.txt", PatternData(4000, 20, true));
                Write(src + "/a/side.txt", "side\n");
                fs::create_directories(src + "/empty/inner");
            },
            [](const std::string& d) {
                Rar(d + "/src", {"a", "-r", "../folders.rar", "."});
            });
    });
}

const ArchiveFixture& NonAsciiArchive() {
    return Cached("non-ascii", [] {
        return Make(
            "non-ascii", "n\xC3\xA4me.rar",
            [](const std::string& src) {
                Write(src +
                          "/Gr\xC3\xBC\xC3\x9F"
                          "e.txt",
                      "gruss\n");
                Write(src + "/\xE6\x97\xA5\xE6\x9C\xAC/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt",
                      PatternData(2000, 30, true));
                Write(src + "/caf\xC3\xA9 \xE2\x82\xAC.txt", "euro\n");
            },
            [](const std::string& d) {
                Rar(d + "/src", {"a", "-r", "../n\xC3\xA4me.rar", "."});
            });
    });
}

const ArchiveFixture& SplitFileArchive() {
    return Cached("split", [] {
        return Make(
            "split", "split.part1.rar",
            [](const std::string& src) {
                Write(src + "/whole.bin", PatternData(150000, 40, false));
            },
            [](const std::string& d) {
                Rar(d + "/src", {"a", "-m0", "-v60k", "../split.rar", "whole.bin"});
            },
            3);
    });
}

const ArchiveFixture& LargeArchive() {
    return Cached("large", [] {
        return Make(
            "large", "large.rar",
            [](const std::string& src) {
                Write(src + "/large.txt", PatternData(40u << 20, 50, true));
                Write(src + "/small.txt", "small\n");
            },
            [](const std::string& d) {
                Rar(d + "/src", {"a", "-m1", "../large.rar", "large.txt", "small.txt"});
            });
    });
}

const ArchiveFixture& LinksArchive() {
    return Cached("links", [] {
        return Make(
            "links", "links.rar",
            [](const std::string& src) {
                Write(src + "/target.txt", "target\n");
                fs::create_symlink("target.txt", src + "/inside");
                fs::create_symlink("../../outside.txt", src + "/escape");
                fs::create_symlink("/tmp/tarnwick-absolute-target.txt", src + "/absolute");
                fs::create_symlink("../outside-dir", src + "/lnk");
                Write(src + "/../later/lnk/payload.txt", "payload\n");
            },
            [](const std::string& d) {
                Rar(d + "/src", {"a", "-ol", "-ola", "../links.rar", "target.txt", "inside",
                                 "escape", "absolute", "lnk"});
                Rar(d + "/later", {"a", "../links.rar", "lnk/payload.txt"});
            });
    });
}

const ArchiveFixture& OrphanHardLinkArchive() {
    return Cached("orphan-hardlink", [] {
        return Make(
            "orphan-hardlink", "orphan.rar",
            [](const std::string& src) {
                Write(src + "/original.txt", "original\n");
                fs::create_hard_link(src + "/original.txt", src + "/copy.txt");
                Write(src + "/plain.txt", "plain\n");
            },
            [](const std::string& d) {
                Rar(d + "/src",
                    {"a", "-oh", "../orphan.rar", "original.txt", "copy.txt", "plain.txt"});
                Rar(d, {"d", "orphan.rar", "original.txt"});
            });
    });
}

const ArchiveFixture& VerdictArchives() {
    return Cached("verdict", [] {
        return Make(
            "verdict", "rar5.rar",
            [](const std::string& src) {
                Write(src + "/first.bin", PatternData(3000, 7, false));
                Write(src + "/second.bin", PatternData(3000, 8, false));
                Write(src + "/comment.txt", "a stored comment\n");
                // A file in a folder, and an empty folder.
                Write(src + "/d/inner.bin", PatternData(3000, 9, false));
                fs::create_directories(src + "/d/e");
            },
            [](const std::string& d) {
                const auto rar = [&](const std::string& option, const std::string& to,
                                     const char* last) {
                    Rar(d + "/src", {"a", "-m0", option, "../" + to, "first.bin", last});
                };
                rar("-o+", "rar5.rar", "second.bin");
                rar(std::string("-hp") + kFixturePassword, "hidden.rar", "second.bin");
                rar("-sfx", "sfx.sfx", "second.bin");  // rar's program, then the archive
                rar("-zcomment.txt", "commented.rar", "second.bin");
                // An archive whose last entry is itself an archive, with its own end block.
                fs::copy_file(d + "/rar5.rar", d + "/src/inner.rar");
                rar("-o+", "nested.rar", "inner.rar");
                rar("-o+", "folders.rar", "d");
                // Every header copied into a quick-open block at the end.
                rar("-qo+", "quick.rar", "second.bin");
                // Headers encrypted, a comment, and first.bin kept in its
                // older version.
                const std::string hidden = std::string("-hp") + kFixturePassword;
                Rar(d + "/src", {"a", "-m0", hidden, "-zcomment.txt", "-ver", "../hidden-kept.rar",
                                 "first.bin"});
                Write(d + "/src/first.bin", "changed\n");
                Rar(d + "/src", {"a", "-m0", hidden, "-ver", "../hidden-kept.rar", "first.bin"});
            });
    });
}

}  // namespace testing_support
