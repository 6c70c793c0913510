// The library's catalogues: the translations of its own texts, built into this library as Qt
// resources (:/qvMsgErr/translations/qvMsgErr_<language>.qm), so nothing is looked up on disk.
//
// The translator is asked directly, never installed on the application: a host's own catalogues
// then cannot answer for our texts nor ours for the host's, and the host's layout direction stays
// the host's business. Our windows take their direction from the language of our catalogue.
#include "platform/language.h"
#include "platform/qt/qt_desktop_p.h"

#include <QDir>
#include <QLocale>
#include <QTranslator>

namespace qvMsgErr::qt {

namespace {

struct Catalogue {
    QTranslator translator;
    bool chosen = false;
    bool loaded = false;
    bool rightToLeft = false;
};

Catalogue& catalogue() {
    static Catalogue c;
    return c;
}

/// The languages our resources carry a catalogue for ("de", "he", …).
std::vector<std::string> builtInCatalogues() {
    std::vector<std::string> names;
    for (const QString& file : QDir(QStringLiteral(":/qvMsgErr/translations"))
                                   .entryList({QStringLiteral("qvMsgErr_*.qm")})) {
        names.push_back(file.mid(9, file.size() - 12).toStdString()); // between "_" and ".qm"
    }
    return names;
}

void load(const QLocale& locale) {
    Catalogue& c = catalogue();
    std::vector<std::string> languages;
    for (const QString& language : locale.uiLanguages()) {
        languages.push_back(language.toStdString());
    }
    const platform::CatalogueChoice choice =
        platform::chooseCatalogue(languages, builtInCatalogues());
    c.chosen = true;
    c.loaded = !choice.language.empty() &&
               c.translator.load(QStringLiteral(":/qvMsgErr/translations/qvMsgErr_") +
                                 QString::fromStdString(choice.language));
    c.rightToLeft = c.loaded && choice.rightToLeft;
}

} // namespace

void chooseLanguage() {
    if (!catalogue().chosen) {
        load(QLocale::system());
    }
}

bool catalogueRightToLeft() {
    return catalogue().rightToLeft;
}

void setLanguage(const std::string& locale) {
    load(locale.empty() ? QLocale::system() : QLocale(QString::fromStdString(locale)));
}

QString ownText(const char* context, const char* text) {
    const Catalogue& c = catalogue();
    const QString translated = c.loaded ? c.translator.translate(context, text) : QString();
    return translated.isEmpty() ? QString::fromUtf8(text) : translated;
}

std::string QtDesktop::translate(const std::string& context, const std::string& text) const {
    // English asks no catalogue and converts nothing: every window's texts pass through here.
    return catalogue().loaded ? ownText(context.c_str(), text.c_str()).toStdString() : text;
}

} // namespace qvMsgErr::qt
