#pragma once
// Interface languages. The main window holds the language code
// (TfrmConfig::InterfaceLanguage): a Windows locale identifier such as 1031,
// or a private code. Dialogs pick their texts from it by one rule.

#include <cstdint>

namespace languages {

enum class DialogLanguage { English, German, Spanish, French };

// 1031/4103 German; 1034/1069/3082 Spanish; 1036 French; anything else English.
DialogLanguage DialogLanguageOf(std::int32_t code);

}  // namespace languages
