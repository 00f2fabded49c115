#include "support/Rar4Writer.h"

#include <fstream>

namespace testing_support {

std::uint32_t Crc32(const std::string& data, std::uint32_t crc) {
    static std::uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (unsigned char b : data) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

namespace {

void Put16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8 & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// A block: CRC16 (low half of the CRC-32 of everything after it), type,
// flags, size, then the body.
std::string Block(unsigned type, unsigned flags, const std::string& body) {
    std::string rest;
    rest.push_back(static_cast<char>(type));
    Put16(rest, flags);
    Put16(rest, static_cast<unsigned>(body.size() + 7));
    rest += body;
    std::string out;
    Put16(out, Crc32(rest) & 0xFFFF);
    return out + rest;
}

const char kMarker[] = "Rar!\x1A\x07\x00";

std::string MainHeader(unsigned flags) {
    std::string body;
    Put16(body, 0);
    Put32(body, 0);
    return Block(0x73, flags, body);
}

// File header for one part of an entry's data.
std::string FileHeader(const Rar4Entry& e, const std::string& part, unsigned splitFlags,
                       std::uint32_t crc) {
    std::string body;
    Put32(body, static_cast<std::uint32_t>(part.size()));
    Put32(body, static_cast<std::uint32_t>(e.data.size()));
    body.push_back(static_cast<char>(e.hostOS));
    Put32(body, crc);
    Put32(body, e.dosTime);
    body.push_back(static_cast<char>(e.unpackVersion));
    body.push_back(static_cast<char>(0x30));  // stored
    Put16(body, static_cast<unsigned>(e.name.size()));
    std::uint32_t attr = e.attributes;
    if (e.directory && attr == 0100644) attr = e.hostOS == 3 ? 040755 : 0x10;
    Put32(body, attr);
    body += e.name;
    unsigned flags = 0x8000 | splitFlags | (e.directory ? 0xE0 : 0);
    return Block(0x74, flags, body) + part;
}

std::string EndHeader(bool nextVolume) { return Block(0x7B, nextVolume ? 0x0001 : 0, ""); }

bool Save(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

}  // namespace

bool WriteRar4(const std::string& path, const std::vector<Rar4Entry>& entries) {
    std::string bytes(kMarker, 7);
    bytes += MainHeader(0);
    for (const Rar4Entry& e : entries) bytes += FileHeader(e, e.data, 0, Crc32(e.data));
    bytes += EndHeader(false);
    return Save(path, bytes);
}

std::vector<std::string> WriteRar4Volumes(const std::string& base,
                                          const std::vector<Rar4Entry>& entries,
                                          std::size_t dataPerVolume, bool oldNaming) {
    std::vector<std::string> volumes;
    std::vector<std::string> paths;
    std::string current;
    std::size_t room = dataPerVolume;
    auto startVolume = [&] {
        unsigned flags = 0x0001 | (oldNaming ? 0 : 0x0010) | (volumes.empty() ? 0x0100 : 0);
        current = std::string(kMarker, 7) + MainHeader(flags);
        room = dataPerVolume;
    };
    startVolume();
    for (const Rar4Entry& e : entries) {
        std::size_t done = 0;
        bool first = true;
        do {
            if (room == 0 && !e.data.empty()) {
                current += EndHeader(true);
                volumes.push_back(current);
                startVolume();
            }
            std::size_t take = std::min(room, e.data.size() - done);
            std::string part = e.data.substr(done, take);
            done += take;
            room -= take;
            bool more = done < e.data.size();
            unsigned split = (first ? 0 : 0x01) | (more ? 0x02 : 0);
            // Parts before the last carry the CRC of their own data, the
            // last one that of the whole file.
            std::uint32_t crc = more ? Crc32(part) : Crc32(e.data);
            current += FileHeader(e, part, split, crc);
            first = false;
        } while (done < e.data.size());
    }
    current += EndHeader(false);
    volumes.push_back(current);
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        std::string path = base + ".part" + std::to_string(i + 1) + ".rar";
        if (oldNaming) {
            const std::string number = std::to_string(100 + i - 1).substr(1);
            path = base + (i == 0 ? std::string(".rar") : ".r" + number);
        }
        if (!Save(path, volumes[i])) return {};
        paths.push_back(path);
    }
    return paths;
}

}  // namespace testing_support
