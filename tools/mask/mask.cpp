// Draws the progress window's mask: mask OUT.bmp
// A 484 x 248 picture, 24-bit, black except two pure red areas: the band that
// holds the progress bar (rows 98 to 158) and the rectangle of the two texts
// (rows 192 to 232, columns 14 to 462). The window keeps only the red pixels
// and lets the user drag it by them. Plain C++; writes the BMP by hand so the
// result does not depend on any picture library.
// Made with: build/tools/mask resources/mask/mask.bmp

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 484;
constexpr int kHeight = 248;

struct Span {
    int left;
    int right;  // inclusive
};

// The red spans of one row of the bar band; an empty list outside it.
std::vector<Span> bandSpans(int y) {
    if (y < 98 || y > 158) return {};
    if (y < 106) {
        // A rounded upper edge growing towards its widest row.
        const int k = (106 - y) * (106 - y) / 2 + (106 - y);
        return {{21 + k, 451 - k}};
    }
    if (y == 106) return {{21, 451}};
    if (y < 130) return {{21, 451}};
    // Below row 130 the band splits: a left lobe reaching out to column 9 and
    // ending near row 151, and a right part narrowing towards row 158.
    std::vector<Span> spans;
    if (y <= 151) {
        const int d = y - 130;
        const int left = 9 + d * d / 40;
        const int right = 150 - d * d / 8;
        if (right > left) spans.push_back({left, right});
    }
    const int d = y - 130;
    const int left = 190 + d * 3;
    const int right = 452 - d * d / 6;
    if (right > left) spans.push_back({left, right});
    return spans;
}

bool isRed(int x, int y) {
    if (y >= 192 && y <= 232 && x >= 14 && x <= 462) return true;
    for (const Span& s : bandSpans(y))
        if (x >= s.left && x <= s.right) return true;
    return false;
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(v & 0xff);
    out.push_back(v >> 8);
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xff);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mask OUT.bmp\n");
        return 2;
    }
    const int rowBytes = (kWidth * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = rowBytes * kHeight;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + pixelBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);  // BITMAPINFOHEADER
    put32(out, kWidth);
    put32(out, kHeight);  // bottom-up rows
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // no compression
    put32(out, pixelBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = kHeight - 1; y >= 0; --y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool red = isRed(x, y);
            out.push_back(0);              // blue
            out.push_back(0);              // green
            out.push_back(red ? 255 : 0);  // red
        }
        for (int pad = kWidth * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
