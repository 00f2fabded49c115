#pragma once
// Archives for the tests, made by `rar` at test time (the command is in
// Fixtures.cpp beside each maker) and kept in the build tree, so that each is
// made once per build folder. Every fixture keeps the folder its files came
// from, to compare extracted files with.

#include <cstddef>
#include <string>
#include <vector>

namespace testing_support {

struct ArchiveFixture {
    std::string archive;               // the archive (first volume of a set)
    std::vector<std::string> volumes;  // every volume, in order (the archive alone otherwise)
    std::string source;                // the folder whose contents went in
    std::vector<std::string> files;    // relative paths of the files that went in
};

inline const char* const kFixturePassword = "tarnwick-secret";
inline const char* const kFixtureComment = "Made for the Tarnwick tests.\nSecond line.";

// Moves a finished fixture folder `scratch` (with its "done" file) to
// `folder`. When another process has put the same finished fixture there
// meanwhile, that one stays and `scratch` goes; an unfinished or outdated
// folder there is replaced.
void PlaceFixture(const std::string& scratch, const std::string& folder);

// Deterministic file contents: text-like (compressible) or pseudo-random.
std::string PatternData(std::size_t size, unsigned seed, bool compressible);

// The full path of a program found on PATH ("" when absent).
std::string FindProgram(const std::string& name);

const ArchiveFixture& PlainArchive();             // a few files in two folders
const ArchiveFixture& SolidArchive();             // the same files, solid
const ArchiveFixture& EncryptedArchive();         // data encrypted with kFixturePassword
const ArchiveFixture& EncryptedHeadersArchive();  // headers too
const ArchiveFixture& VolumeSet();                // several volumes, all present
const ArchiveFixture& VolumeSetMissingMiddle();   // the same set without its second volume
const ArchiveFixture& HiddenVolumeSet();          // the same set, headers encrypted
const ArchiveFixture& CommentArchive();           // kFixtureComment; locked, recovery record
const ArchiveFixture& FoldersArchive();           // nested and empty folders
const ArchiveFixture& NonAsciiArchive();          // names outside ASCII
const ArchiveFixture& SplitFileArchive();         // one file over exactly three volumes
const ArchiveFixture& LargeArchive();             // a file of 40 MiB, compressible
// Symbolic links stored as links: "inside" (to a file in the archive),
// "escape" (to ../../outside.txt), "absolute" (to /tmp/...), and a link "lnk"
// to a folder outside followed by a file stored as "lnk/payload.txt".
const ArchiveFixture& LinksArchive();
// A hard-link entry "copy.txt" whose source "original.txt" was deleted from
// the archive afterwards.
const ArchiveFixture& OrphanHardLinkArchive();
// Two stored random files, first.bin and second.bin (3,000 bytes each), as
// rar5.rar (the archive) and beside it: hidden.rar (headers encrypted with
// kFixturePassword), sfx.sfx (rar's self-extractor), commented.rar (a
// comment), nested.rar (first.bin and rar5.rar as inner.rar, last),
// hidden-kept.rar (headers encrypted, a comment, first.bin in two versions).
const ArchiveFixture& VerdictArchives();

}  // namespace testing_support
