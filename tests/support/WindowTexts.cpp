// Reading the window's texts and the catalogue, for the language tests.
#include "support/WindowTexts.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QXmlStreamReader>

// Reads a .ts file; its line breaks are written as <byte value="xd"/>.
QList<TCatalogueEntry> ReadCatalogue(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<TCatalogueEntry> entries;
    QXmlStreamReader xml(&f);
    QString context;
    TCatalogueEntry entry;
    QString* text = nullptr;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == u"name")
                context = xml.readElementText();
            else if (name == u"message")
                entry = {context, {}, {}, {}};
            else if (name == u"source")
                text = &entry.source;
            else if (name == u"translation") {
                text = &entry.translation;
                entry.type = xml.attributes().value(QLatin1String("type")).toString();
            } else if (name == u"byte" && text)
                *text += QChar(xml.attributes().value(QLatin1String("value")).mid(1).toUInt(nullptr, 16));
        } else if (xml.isCharacters() && text) {
            *text += xml.text();
        } else if (xml.isEndElement()) {
            if (xml.name() == u"source" || xml.name() == u"translation")
                text = nullptr;
            else if (xml.name() == u"message")
                entries.append(entry);
        }
    }
    return xml.hasError() ? QList<TCatalogueEntry>() : entries;
}

// The texts the forms declare untranslatable (notr="true": values of input
// fields, captions that go to the device as commands), by object name.
QMultiHash<QString, QString> UntranslatableTexts(const QString& sourceDir)
{
    QMultiHash<QString, QString> texts;
    QDirIterator it(sourceDir + QStringLiteral("/src"), {QStringLiteral("*.ui")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        QXmlStreamReader xml(&f);
        QStringList owners;
        while (!xml.atEnd()) {
            xml.readNext();
            const bool owner = xml.name() == u"widget" || xml.name() == u"action";
            if (xml.isStartElement() && owner)
                owners << xml.attributes().value(QLatin1String("name")).toString();
            else if (xml.isEndElement() && owner)
                owners.removeLast();
            else if (xml.isStartElement() && xml.name() == u"string" && !owners.isEmpty()
                     && xml.attributes().value(QLatin1String("notr")) == u"true")
                texts.insert(owners.last(), xml.readElementText());
        }
    }
    return texts;
}

// The catalogue's translations as patterns of the texts they make: without
// the mnemonic '&', a placeholder %1 .. %9 standing for any text.
QList<QRegularExpression> EnglishPatterns(const QList<TCatalogueEntry>& catalogue)
{
    QStringList texts;
    for (const TCatalogueEntry& e : catalogue)
        texts << e.translation;
    return TextPatterns(texts);
}

QList<QRegularExpression> TextPatterns(const QStringList& texts)
{
    // A placeholder as QRegularExpression::escape() writes it: "\\%1".
    static const QRegularExpression placeholder(QStringLiteral("\\\\%[1-9]"));
    QList<QRegularExpression> patterns;
    for (const QString& text : texts) {
        QString pattern = QRegularExpression::escape(QString(text).remove(QLatin1Char('&')));
        pattern.replace(placeholder, QStringLiteral(".*"));
        patterns.append(QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                                           QRegularExpression::DotMatchesEverythingOption));
    }
    return patterns;
}

bool MatchesAny(const QList<QRegularExpression>& patterns, QString shown)
{
    shown.remove(QLatin1Char('&'));
    return std::any_of(patterns.begin(), patterns.end(),
                       [&shown](const QRegularExpression& p) { return p.match(shown).hasMatch(); });
}

// Texts that are the same in every language: no word in them (numbers,
// units, punctuation), port names and device paths.
bool LanguageFree(const QString& text)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-zÄÖÜäöüß]{2,}"));
    static const QRegularExpression port(QStringLiteral("^(COM|Com)\\d+$|^/dev/"));
    return !text.contains(word) || text.contains(port);
}

// Every text of a widget tree a technician can read, as "object: kind: text".
QList<std::pair<QString, QString>> VisibleTexts(QWidget* root)
{
    QList<std::pair<QString, QString>> out;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        const QString name = w->objectName();
        if (w->isWindow())
            out.append({name, w->windowTitle()});
        out.append({name, w->toolTip()});
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            out.append({name, b->text()});
        else if (auto* l = qobject_cast<QLabel*>(w))
            out.append({name, l->text()});
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            out.append({name, g->title()});
        else if (auto* e = qobject_cast<QLineEdit*>(w))
            out.append({name, e->placeholderText()});
        else if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                out.append({name, c->itemText(i)});
        else if (auto* m = qobject_cast<QMenu*>(w))
            out.append({name, m->title()});
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                out.append({tabs->widget(i)->objectName(), tabs->tabText(i)});
        for (QAction* a : w->actions())
            if (!a->isSeparator())
                out.append({a->objectName(), a->text()});
    }
    return out;
}
