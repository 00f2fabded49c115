// libFuzzer target: the block-chain walk that judges an archive whole or
// damaged (also through encrypted headers), and the archive component's listing (header reading through the
// real library and the entry collection's totals) on the same bytes.
// Built and run by scripts/fuzz.sh.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "archive/BlockChain.h"
#include "archive/RAR.h"

namespace {

class MemorySource : public rardll::ChainSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t size) override {
        if (offset >= size_) return 0;
        const std::size_t n = size_ - offset < size ? size_ - offset : size;
        std::memcpy(buffer, data_ + offset, n);
        return n;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

const std::string& ScratchFile() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/tarnwick-fuzz-" +
               std::to_string(::getpid()) + ".rar";
    }();
    return path;
}

TRAR& Component() {
    static TRAR* rar = [] {
        TRAR* r = new TRAR;
        // Encrypted headers ask for a password: none is given.
        r->OnPasswordRequired = [](TRAR&, bool, const std::wstring&, std::string&, bool& cancel) {
            cancel = true;
        };
        std::atexit([] { std::remove(ScratchFile().c_str()); });
        return r;
    }();
    return *rar;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemorySource memory(data, size);
    const rardll::ChainWalk walk = rardll::WalkBlockChain(memory);
    if (walk.verdict != rardll::ChainVerdict::NoSignature && walk.signatureAt >= size) std::abort();

    std::FILE* f = std::fopen(ScratchFile().c_str(), "wb");
    if (!f) return 0;
    const bool written = std::fwrite(data, 1, size, f) == size;
    std::fclose(f);
    if (!written) return 0;
    // The file reader's windowing must not change the verdict.
    const rardll::ChainWalk fromFile = rardll::WalkArchiveFile(ScratchFile());
    if (fromFile.verdict != walk.verdict || fromFile.blocks != walk.blocks) std::abort();

    // Encrypted headers, followed with the seeds' password.
    rardll::WalkArchiveFile(ScratchFile(), "tarnwick");

    TRAR& rar = Component();
    rar.ListArchive(ScratchFile());
    const TRARArchiveInformation& info = rar.ArchiveInformation();
    if (info.CompressedSize() < 0 || info.UnCompressedSize() < 0) std::abort();
    return 0;
}
