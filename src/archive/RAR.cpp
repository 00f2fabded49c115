#include "archive/RAR.h"

TRAR::TRAR() : Library_(new rardll::TUnrarLibrary), Header_(new rardll::RARHeaderDataEx{}) {}
TRAR::~TRAR() = default;

bool TRAR::ListArchive(const std::string&) { return false; }
bool TRAR::ExtractArchive(const std::wstring&, bool, const std::vector<std::string>&) {
    return false;
}
bool MatchesMask(const std::wstring&, const std::wstring&) { return false; }
