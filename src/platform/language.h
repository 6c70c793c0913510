// Which of the library's catalogues speaks to the user: one rule for every desktop, given the
// user's languages as the system lists them and the catalogues a desktop carries.
#pragma once

#include <string>
#include <vector>

namespace qvMsgErr::platform {

struct CatalogueChoice {
    std::string language; ///< the catalogue's name ("de", "he"); empty: English, no catalogue
    bool rightToLeft = false;
};

/// The catalogue of the first of `languages` (most preferred first, "de-AT", "de_AT", "C") that is
/// English or has one: its full name first, then its base language. Someone who lists English
/// before German reads English, not the German that is there; a language without a catalogue
/// passes the choice on to the next.
CatalogueChoice chooseCatalogue(const std::vector<std::string>& languages,
                                const std::vector<std::string>& catalogues);

} // namespace qvMsgErr::platform
