#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The language of the window's texts. The sources hold the German texts the
// devices' users know; they are shown unless English is chosen, in the
// "Sprache / Language" menu (kept in the settings file, [Misc] Language) or
// for one run with --lang en. The system's locale is never looked at. Texts
// sent to devices, the contents of files and the settings keys stay as they
// are in every language.
enum class TLanguage { German, English };

// "de" and "en" (in any case); nothing for any other text.
inline std::optional<TLanguage> LanguageFromCode(QStringView code)
{
    if (code.compare(u"de", Qt::CaseInsensitive) == 0)
        return TLanguage::German;
    if (code.compare(u"en", Qt::CaseInsensitive) == 0)
        return TLanguage::English;
    return std::nullopt;
}

inline QString LanguageCode(TLanguage language)
{
    return language == TLanguage::English ? QStringLiteral("en") : QStringLiteral("de");
}

// Section and key of the choice in the settings file.
inline constexpr char kLanguageSection[] = "Misc";
inline constexpr char kLanguageKey[] = "Language";

// The settings file's choice; German when the file, the key or a known value
// is missing.
TLanguage LanguageSetting(const QString& settingsFile);
// Writes the choice into the settings file (every other byte of it stays);
// false when the file cannot be written.
bool WriteLanguageSetting(const QString& settingsFile, TLanguage language);

// The language of a run: the code given with --lang (already checked) over
// the settings file's choice.
TLanguage StartLanguage(const QString& commandLineCode, const QString& settingsFile);

// Puts the language's texts in force for every window created afterwards.
// German needs no catalogue; English loads the catalogue compiled into the
// program (catalogueDir, for tests only, points elsewhere). When the
// catalogue is missing the texts stay German, without a message, and the
// answer is false.
bool UseLanguage(TLanguage language, const QString& catalogueDir = QString());
// The language whose texts are in force.
TLanguage LanguageInUse();
