#include "console/shell/language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <cstdlib>

// The catalogue's resource lives in this static library: its initializer must be referenced.
static void initCatalogue() { Q_INIT_RESOURCE(plover_translations); }

namespace plover::language {

std::optional<Language> fromOption(QStringView value) {
    if (value.compare(u"en", Qt::CaseInsensitive) == 0) return Language::English;
    if (value.compare(u"zh", Qt::CaseInsensitive) == 0) return Language::Chinese;
    return std::nullopt;
}

std::optional<Language> fromLocaleName(QStringView name) {
    if (name.isEmpty()) return std::nullopt;
    // "en", "en_US", "en_GB.UTF-8", "en@..."; "C", "POSIX", "zh_CN" and the rest stay Chinese.
    const bool english = name.startsWith(u"en", Qt::CaseInsensitive) &&
                         (name.size() == 2 || !name[2].isLetter());
    return english ? Language::English : Language::Chinese;
}

Language fromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return *fromLocaleName(QString::fromLocal8Bit(value));
    }
    return QLocale::system().language() == QLocale::English ? Language::English : Language::Chinese;
}

bool install(QCoreApplication& app, Language language) {
    if (language != Language::English) return true;
    initCatalogue();
    auto* catalogue = new QTranslator(&app);
    if (!catalogue->load(QStringLiteral(":/i18n/plover_en.qm"))) {
        delete catalogue;
        return false;
    }
    return QCoreApplication::installTranslator(catalogue);
}

}  // namespace plover::language
