#pragma once

#include <QList>
#include <QMultiHash>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <utility>

class QWidget;

// One message of a .ts file.
struct TCatalogueEntry {
    QString context, source, translation, type;
};

// Reads a .ts file; its line breaks are written as <byte value="xd"/>.
QList<TCatalogueEntry> ReadCatalogue(const QString& path);

// The texts the forms under sourceDir/src declare untranslatable
// (notr="true": values of input fields, captions that go to the device as
// commands), by object name.
QMultiHash<QString, QString> UntranslatableTexts(const QString& sourceDir);

// Texts as patterns of what they show: without the mnemonic '&', a
// placeholder %1 .. %9 standing for any text.
QList<QRegularExpression> TextPatterns(const QStringList& texts);
// The catalogue's translations as such patterns.
QList<QRegularExpression> EnglishPatterns(const QList<TCatalogueEntry>& catalogue);
bool MatchesAny(const QList<QRegularExpression>& patterns, QString shown);

// Texts that are the same in every language: no word in them (numbers,
// units, punctuation), port names and device paths.
bool LanguageFree(const QString& text);

// Every text of a widget tree a technician can read, as (object name, text).
QList<std::pair<QString, QString>> VisibleTexts(QWidget* root);
