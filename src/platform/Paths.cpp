#include "platform/Paths.h"

namespace platform {

namespace {
// Windows takes '\' and '/' alike; elsewhere '\' is a character of a name.
#ifdef _WIN32
constexpr char kDelimiter = '\\';
constexpr const char* kDelimiters = "\\/";
#else
constexpr char kDelimiter = '/';
constexpr const char* kDelimiters = "/";
#endif
bool isDelimiter(char c) { return c == '/' || c == kDelimiter; }
}  // namespace

std::string IncludeTrailingDelimiter(const std::string& path) {
    if (!path.empty() && isDelimiter(path.back())) return path;
    return path + kDelimiter;
}

std::string ExcludeTrailingDelimiter(const std::string& path) {
    if (path.size() > 1 && isDelimiter(path.back())) return path.substr(0, path.size() - 1);
    return path;
}

std::string ExtractFileName(const std::string& path) {
    auto pos = path.find_last_of(kDelimiters);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFilePath(const std::string& path) {
    auto pos = path.find_last_of(kDelimiters);
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return s.substr(b, e - b);
}

}  // namespace platform
