// The language of the console's texts: Chinese (the source texts, the default) or English (the
// catalogue built into plover). Chosen once, before any screen is built.
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

class QCoreApplication;

namespace plover::language {

enum class Language { Chinese, English };

// The value of --lang: "en" or "zh" (any case); none for anything else.
std::optional<Language> fromOption(QStringView value);

// The language of a locale name as LANG, LC_ALL and LC_MESSAGES hold it ("en_US.UTF-8",
// "zh_CN.GB18030", "C"): English for an English locale, Chinese for any other named one; none
// for an empty name.
std::optional<Language> fromLocaleName(QStringView name);

// The language of the environment: the first of LC_ALL, LC_MESSAGES and LANG that is set and
// not empty, by its name (so a locale the machine has not generated still counts); with none set,
// the system locale's language.
Language fromEnvironment();

// Installs the English catalogue into the application for English; nothing for Chinese. False
// when the catalogue cannot be loaded (the texts stay Chinese).
bool install(QCoreApplication& app, Language language);

}  // namespace plover::language
