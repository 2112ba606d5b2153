// Real receiver recordings (gpsd's regression logs, in the corpus folder the
// build names): each is summarised and converted into GPX without a crash,
// the GPX is well-formed with a point per fix and a time per dated fix, and
// the fixes agree with a count made here, independently of the reader: one
// fix per epoch of checksum-valid GGA sentences with a position.
#include "NmeaTestFiles.h"
#include "gps/TrackSummary.h"

#include <QDir>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct TCount {
    qint64 epochs = 0;     // GGA fixes, those of one time taken as one
    qint64 ggaFixes = 0;   // every GGA sentence with a position
    bool anyDate = false;  // a valid RMC or ZDA date
};

// The sentence of a line: from its last "$" followed by a name and a comma.
QByteArray SentenceOf(const QByteArray& line)
{
    for (qsizetype at = line.lastIndexOf('$'); at >= 0; at = at > 0 ? line.lastIndexOf('$', at - 1) : -1) {
        const QByteArray rest = line.mid(at);
        qsizetype i = 1;
        while (i < rest.size() && (std::isupper(uchar(rest[i])) || std::isdigit(uchar(rest[i]))))
            ++i;
        if (i >= 3 && (i == rest.size() || rest[i] == ',' || rest[i] == '*'))
            return rest;
    }
    return {};
}

bool ChecksumOk(const QByteArray& s)
{
    const qsizetype star = s.lastIndexOf('*');
    if (star < 0)
        return true;
    if (star != s.size() - 3)
        return false;
    uchar sum = 0;
    for (qsizetype i = 1; i < star; ++i)
        sum ^= uchar(s[i]);
    bool ok = false;
    return s.mid(star + 1).toUInt(&ok, 16) == sum && ok;
}

TCount CountEpochs(const QByteArray& file)
{
    TCount c;
    QByteArray lastTime;
    bool lastTimed = false;
    for (QByteArray line : file.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        const QByteArray s = SentenceOf(line);
        if (s.size() < 7 || s[1] == 'P' || !ChecksumOk(s))
            continue;
        const QByteArray body = s.left(s.lastIndexOf('*') >= 0 ? s.lastIndexOf('*') : s.size());
        const QList<QByteArray> f = body.split(',');
        const QByteArray type = f[0].mid(3);
        if ((type == "RMC" && f.size() > 9 && f[2] == "A" && f[9].size() == 6)
            || (type == "ZDA" && f.size() > 4 && f[4].size() == 4 && f[4] != "0000" && !f[2].isEmpty()))
            c.anyDate = true;
        if (type != "GGA" || f.size() < 10 || f[6] == "0" || f[2].isEmpty() || f[4].isEmpty())
            continue;
        ++c.ggaFixes;
        const QByteArray time = f[1];
        if (time.isEmpty() || !lastTimed || time != lastTime)
            ++c.epochs;
        lastTime = time;
        lastTimed = !time.isEmpty();
    }
    return c;
}

}  // namespace

class TstGpsCorpus : public QObject {
    Q_OBJECT

    qint64 m_files = 0, m_lines = 0, m_fixes = 0, m_dated = 0, m_merged = 0, m_skipped = 0, m_points = 0;

private slots:
    void recordings_data()
    {
        QTest::addColumn<QString>("file");
        const QDir dir(QStringLiteral(VELMOR_NMEA_CORPUS));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        if (names.isEmpty())
            QSKIP("no recordings in " VELMOR_NMEA_CORPUS);
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }
    void recordings()
    {
        QFETCH(QString, file);
        TTrack track;
        QCOMPARE(LoadTrack(file, track), 0);
        const TTrackStats& s = track.summary.stats;
        const TCount expected = CountEpochs(ReadAll(file));
        QCOMPARE(s.fixes, expected.epochs);
        QCOMPARE(s.fixes + track.summary.counts.merged, expected.ggaFixes);

        // Every fix dated where the recording has a date at all, once a
        // first one is known.
        qint64 dated = 0;
        bool seen = false;
        for (const TTrackPoint& p : track.points) {
            seen = seen || p.dated;
            if (seen && p.hasTime)
                QVERIFY2(p.dated, qPrintable(FixTimeText(p.AsFix())));
            dated += p.dated;
        }
        if (expected.anyDate && s.fixes > 0 && s.anyTimed)
            QVERIFY2(dated > 0, "a recording with a date has dated fixes");
        const QStringList lines = SummaryLines(track.summary);
        QVERIFY(!lines.isEmpty());

        QTemporaryDir dir;
        const QString gpx = dir.filePath(QStringLiteral("out.gpx"));
        QCOMPARE(ConvertNmeaFile(file, gpx, TExportFormat::Gpx).status, TConvertResult::Ok);
        QXmlStreamReader xml(ReadAll(gpx));
        qint64 points = 0, times = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("trkpt"))
                ++points;
            else if (xml.name() == QLatin1String("time"))
                ++times;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(points, s.fixes);
        QCOMPARE(times, dated);

        ++m_files;
        m_lines += track.summary.counts.lines;
        m_fixes += s.fixes;
        m_dated += dated;
        m_merged += track.summary.counts.merged;
        m_skipped += track.summary.counts.SkippedTotal();
        m_points += points;
    }
    void cleanupTestCase()
    {
        qInfo("corpus: %lld files, %lld lines, %lld fixes (%lld dated), %lld GGA merged into their epoch's fix, "
              "%lld lines skipped, %lld GPX points",
              m_files, m_lines, m_fixes, m_dated, m_merged, m_skipped, m_points);
    }
};

QTEST_GUILESS_MAIN(TstGpsCorpus)
#include "tst_gpscorpus.moc"
