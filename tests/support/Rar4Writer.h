#pragma once
// Writes stored (uncompressed) archives in the RAR 4 format, for the cases
// that today's rar cannot make: unpack versions 20 and 29, the old volume
// layout, names that rar refuses to store ("../evil.txt"), an empty archive.

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

std::uint32_t Crc32(const std::string& data, std::uint32_t crc = 0);

struct Rar4Entry {
    std::string name;  // stored as given; '/' separates folders
    std::string data;
    unsigned unpackVersion = 29;  // 20 or 29
    unsigned hostOS = 3;          // 0 MS-DOS, 2 Windows, 3 Unix
    std::uint32_t attributes = 0100644;
    std::uint32_t dosTime = 0x5A8E6B2D;  // 2025-04-14 13:25:26
    bool directory = false;
};

// Writes one archive; returns false when the file cannot be written.
bool WriteRar4(const std::string& path, const std::vector<Rar4Entry>& entries);

// Writes a volume set "<base>.part1.rar", "<base>.part2.rar", ... holding at
// most `dataPerVolume` bytes of entry data each; an entry that does not fit is
// split across volumes. Returns the volume paths in order (empty on failure).
// With `oldNaming` the volumes are "<base>.rar", "<base>.r00", "<base>.r01", ...
std::vector<std::string> WriteRar4Volumes(const std::string& base,
                                          const std::vector<Rar4Entry>& entries,
                                          std::size_t dataPerVolume, bool oldNaming = false);

}  // namespace testing_support
