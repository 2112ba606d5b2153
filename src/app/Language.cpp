#include "app/Language.h"

#include "app/IniFile.h"
#include "app/SettingsLocation.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace {

const QString kCatalogueDir = QStringLiteral(":/i18n");
const QString kCatalogueName = QStringLiteral("velmor_en");

std::unique_ptr<QTranslator>& translator()
{
    static std::unique_ptr<QTranslator> installed;
    return installed;
}

TLanguage g_inUse = TLanguage::German;

}  // namespace

// The catalogues lie in the program's resources, which a static library has
// to register itself (once).
static void registerCatalogues()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(velmor_i18n);
        return true;
    }();
    Q_UNUSED(registered);
}

TLanguage LanguageSetting(const QString& settingsFile)
{
    const QString code =
        TIniFile(settingsFile).ReadString(QLatin1String(kLanguageSection), QLatin1String(kLanguageKey), QString());
    return LanguageFromCode(code).value_or(TLanguage::German);
}

bool WriteLanguageSetting(const QString& settingsFile, TLanguage language)
{
    MakeSettingsFolder(settingsFile);
    return TIniFile(settingsFile)
        .WriteString(QLatin1String(kLanguageSection), QLatin1String(kLanguageKey), LanguageCode(language));
}

TLanguage StartLanguage(const QString& commandLineCode, const QString& settingsFile)
{
    if (const auto given = LanguageFromCode(commandLineCode))
        return *given;
    return LanguageSetting(settingsFile);
}

bool UseLanguage(TLanguage language, const QString& catalogueDir)
{
    registerCatalogues();
    if (translator()) {
        QCoreApplication::removeTranslator(translator().get());
        translator().reset();
    }
    g_inUse = TLanguage::German;
    if (language == TLanguage::German)
        return true;
    auto catalogue = std::make_unique<QTranslator>();
    if (!catalogue->load(kCatalogueName, catalogueDir.isEmpty() ? kCatalogueDir : catalogueDir)
        || !QCoreApplication::installTranslator(catalogue.get()))
        return false;
    translator() = std::move(catalogue);
    g_inUse = language;
    return true;
}

TLanguage LanguageInUse() { return g_inUse; }
