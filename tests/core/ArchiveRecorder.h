#pragma once
// Records what a TRAR reports through its events, for the archive tests.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "archive/RAR.h"

// An entry's name as the library reports it: Windows' separates folders with
// '\'.
inline std::string LibraryEntryName(std::string name) {
#ifdef _WIN32
    std::replace(name.begin(), name.end(), '/', '\\');
#endif
    return name;
}

struct ArchiveRecorder {
    std::vector<std::pair<int, TRAROperation>> errors;
    std::vector<TRARFileItem> listed;
    std::vector<std::pair<std::wstring, int>> processed;  // name, result
    std::vector<std::string> volumes;

    explicit ArchiveRecorder(TRAR& rar) {
        rar.OnError = [this](TRAR&, std::int32_t code, TRAROperation op) {
            errors.emplace_back(code, op);
        };
        rar.OnListFile = [this](TRAR&, const TRARFileItem& item) { listed.push_back(item); };
        rar.OnFileProcessed = [this](TRAR&, const std::wstring& name, TRAROperation,
                                     std::int32_t r) { processed.emplace_back(name, r); };
        rar.OnVolumeChanged = [this](TRAR&, const std::string& v) { volumes.push_back(v); };
    }

    void clear() {
        errors.clear();
        listed.clear();
        processed.clear();
        volumes.clear();
    }

    // The non-zero results reported, in order.
    std::vector<std::pair<int, TRAROperation>> failures() const {
        std::vector<std::pair<int, TRAROperation>> out;
        for (auto& e : errors)
            if (e.first != 0) out.push_back(e);
        return out;
    }
    bool reported(int code, TRAROperation op) const {
        for (auto& e : errors)
            if (e.first == code && e.second == op) return true;
        return false;
    }
    // The entry listed under `name` ('/' between folders).
    const TRARFileItem* item(const std::string& name) const {
        for (auto& i : listed)
            if (i.FileName == LibraryEntryName(name)) return &i;
        return nullptr;
    }
};
