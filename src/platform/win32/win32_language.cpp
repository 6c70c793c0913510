// The language of the library's own texts: the user's preferred UI languages, the catalogues
// built in, and the texts looked up in the chosen one.
#include "platform/language.h"
#include "platform/win32/win32_desktop_p.h"

#include <algorithm>
#include <cstring>

namespace qvMsgErr::win32 {

std::vector<std::string> userLanguages() {
    // A list of NUL-terminated names ending in an empty one.
    ULONG count = 0, size = 0;
    std::wstring names;
    if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) && size > 0) {
        names.resize(size);
        if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &size)) {
            names.clear();
        }
    }
    std::vector<std::string> languages;
    for (const wchar_t* name = names.c_str(); *name != L'\0'; name += wcslen(name) + 1) {
        languages.push_back(narrow(name));
    }
    if (languages.empty()) {
        wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
        if (GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH) > 0) {
            languages.push_back(narrow(locale));
        }
    }
    return languages;
}

void Win32Desktop::chooseCatalogue(const std::vector<std::string>& languages) {
    const std::span<const BuiltInCatalogue> all = builtInCatalogues();
    std::vector<std::string> names;
    for (const BuiltInCatalogue& c : all) {
        names.emplace_back(c.language);
    }
    const platform::CatalogueChoice choice = platform::chooseCatalogue(languages, names);
    const auto chosen = std::find(names.begin(), names.end(), choice.language);
    catalogue_ = chosen == names.end() ? nullptr : &all[chosen - names.begin()];
    rightToLeft_ = catalogue_ != nullptr && choice.rightToLeft;
}

std::string Win32Desktop::translate(const std::string& context, const std::string& text) const {
    if (!catalogue_) {
        return text; // English
    }
    const auto found =
        std::find_if(catalogue_->texts.begin(), catalogue_->texts.end(),
                     [&](const auto& t) { return context == t.context && text == t.source; });
    return found == catalogue_->texts.end() ? text : found->translation;
}

} // namespace qvMsgErr::win32
