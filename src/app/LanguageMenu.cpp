#include "app/LanguageMenu.h"

#include "app/Language.h"
#include "app/UnitMain.h"
#include "widgets/Dialogs.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

namespace {

void choose(TFormMain& main, TLanguage language)
{
    if (LanguageSetting(main.SettingsFile) != language && !WriteLanguageSetting(main.SettingsFile, language)) {
        Dialogs().Warning(
            QCoreApplication::translate("LanguageMenu", "Fehler bei Dateizugriff (%1)").arg(main.SettingsFile));
        return;
    }
    if (language != LanguageInUse())
        Dialogs().Info(QCoreApplication::translate("LanguageMenu",
                                                   "Die Sprache wechselt beim nächsten Start des Programms.\r"
                                                   "The language changes at the next start of the program.\r\r"));
}

}  // namespace

QMenu* AddLanguageMenu(TFormMain& main)
{
    QMenuBar* bar = main.menuBar();
    // The menu's title names itself in both languages, so that it is found
    // whatever the window shows.
    auto* menu = new QMenu(QCoreApplication::translate("LanguageMenu", "&Sprache / Language"), bar);
    menu->setObjectName(QStringLiteral("Sprache1"));
    auto* group = new QActionGroup(menu);
    const struct {
        const char* name;
        const char* text;
        TLanguage language;
    } entries[] = {
        {"Deutsch1", QT_TRANSLATE_NOOP("LanguageMenu", "Deutsch"), TLanguage::German},
        {"English1", QT_TRANSLATE_NOOP("LanguageMenu", "English"), TLanguage::English},
    };
    for (const auto& entry : entries) {
        QAction* action = menu->addAction(QCoreApplication::translate("LanguageMenu", entry.text));
        action->setObjectName(QLatin1String(entry.name));
        action->setCheckable(true);
        action->setChecked(entry.language == LanguageInUse());
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, &main,
                         [&main, language = entry.language] { choose(main, language); });
    }
    QAction* info = main.findChild<QAction*>(QStringLiteral("Exit1"));
    bar->insertMenu(bar->actions().contains(info) ? info : nullptr, menu);
    return menu;
}
