// The library's catalogues: the translations of its own texts, built into this library as Qt
// resources (:/qvMsgErr/translations/qvMsgErr_<language>.qm), so nothing is looked up on disk.
//
// The translator is asked directly, never installed on the application: a host's own catalogues
// then cannot answer for our texts nor ours for the host's, and the host's layout direction stays
// the host's business. Our windows take their direction from the language of our catalogue.
#include "platform/qt/qt_desktop_p.h"

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

/// Loads the catalogue of the first language of `locale`'s list that is English or has one:
/// someone who lists English before German reads English, not the German that is there.
void load(const QLocale& locale) {
    Catalogue& c = catalogue();
    c.chosen = true;
    c.loaded = false;
    c.rightToLeft = false;
    for (QString language : locale.uiLanguages()) {
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (language == QLatin1String("C") || language.startsWith(QLatin1String("en"))) {
            return;
        }
        for (const QString& name : {language, language.section(QLatin1Char('_'), 0, 0)}) {
            if (c.translator.load(QStringLiteral(":/qvMsgErr/translations/qvMsgErr_") + name)) {
                c.loaded = true;
                c.rightToLeft = QLocale(name).textDirection() == Qt::RightToLeft;
                return;
            }
        }
    }
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
