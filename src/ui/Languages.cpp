#include "ui/Languages.h"

namespace languages {

DialogLanguage DialogLanguageOf(std::int32_t code) {
    switch (code) {
        case 1031:
        case 4103:
            return DialogLanguage::German;
        case 1034:
        case 1069:
        case 3082:
            return DialogLanguage::Spanish;
        case 1036:
            return DialogLanguage::French;
        default:
            return DialogLanguage::English;
    }
}

}  // namespace languages
