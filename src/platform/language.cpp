#include "platform/language.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace qvMsgErr::platform {

namespace {

/// The languages written right to left (ISO 639 codes; "iw" is Hebrew's old one).
bool writtenRightToLeft(std::string_view base) {
    static constexpr std::array<std::string_view, 12> kRightToLeft = {
        "ar", "ckb", "dv", "fa", "he", "iw", "ps", "sd", "ug", "ur", "yi", "syr"};
    return std::find(kRightToLeft.begin(), kRightToLeft.end(), base) != kRightToLeft.end();
}

} // namespace

CatalogueChoice chooseCatalogue(const std::vector<std::string>& languages,
                                const std::vector<std::string>& catalogues) {
    for (std::string language : languages) {
        std::replace(language.begin(), language.end(), '-', '_');
        const std::string base = language.substr(0, language.find('_'));
        if (language == "C" || language == "POSIX" || base == "en") {
            return {};
        }
        for (const std::string& name : {language, base}) {
            if (std::find(catalogues.begin(), catalogues.end(), name) != catalogues.end()) {
                return {name, writtenRightToLeft(base)};
            }
        }
    }
    return {};
}

} // namespace qvMsgErr::platform
