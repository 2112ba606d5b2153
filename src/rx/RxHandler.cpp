// The receive handler of the main window: assembles lines, logs, captures,
// reflects parameter answers and keeps the identification reply. Methods of
// TFormMain (declared in app/UnitMain.h), kept beside the receive logic.
#include "app/UnitMain.h"
#include "gps/TrackView.h"
#include "panels/PlcSequence.h"
#include "rx/RxLogic.h"
#include "widgets/Dialogs.h"
#include "widgets/SpinEdit.h"

#include <QDateTime>
#include <QTimer>

namespace {

// Bytes read from the port in one go.
constexpr int kReadPiece = 1000;

}  // namespace

void TFormMain::ComPortRxChar(TComPort* sender, int count)
{
    if (count < 1)
        return;
    if (m_rxBusy) {
        // Entered again from a modal message of an earlier run: the bytes stay
        // in the port and are announced again once that run returns.
        return;
    }
    m_rxBusy = true;
    BeginLogBatch();
    try {
        QString chunk;
        // Read in pieces until nothing is left, so that no byte waits for a
        // further announcement.
        while (sender->Connected() && sender->ReadStr(chunk, kReadPiece) > 0)
            AssembleRx(
                chunk, RxLine, LastRxChar, RxMarker ? kRxMarker.size() : 0, [this](QChar end) { completeLine(end); },
                [this] {
                    // A line too long for one piece: logged and captured
                    // piece by piece as it arrives. The capture gets one
                    // copy, as the first capture mode that is on writes it.
                    const bool first = !RxLine.Continued();
                    const QString prefix = !first ? TLogFiles::kContinued : RxMarker ? kRxMarker : QString();
                    const QString piece = RxLine.TakePiece();
                    Print(prefix + piece);
                    if (!first)
                        writeToDataFile(piece, false);
                    else if (!PlainCapture && StampCapture)
                        writeToDataFile(StampPrefix(StampClockNow()) + prefix + piece, false);
                    else
                        writeToDataFile(prefix + piece, false);
                });
    } catch (...) {
        EndLogBatch();
        m_rxBusy = false;
        throw;
    }
    EndLogBatch();
    m_rxBusy = false;
}

void TFormMain::writeToDataFile(const QString& text, bool lineEnds)
{
    if (!PlainCapture && !StampCapture && !PlcCapture)
        return;
    const bool writing = DataFile.IsWriting();
    if (lineEnds)
        DataFile.WriteLine(text);
    else
        DataFile.Write(text);
    if (writing && !DataFile.IsOpen()) {
        // The file could not be written (disk full, I/O error): the slot has
        // closed it and reported it once. The captures into it end here, so
        // that no later file in the slot receives their lines.
        PlainCapture = false;
        StampCapture = false;
        PlcCapture = false;
    }
}

void TFormMain::abandonPlcCapture()
{
    if (!PlcCapture)
        return;
    PlcCapture = false;
    DataFile.Close();
}

void TFormMain::completeLine(QChar endChar)
{
    const bool slash = endChar == QLatin1Char('/');
    // A line logged and captured in pieces: its last piece ends it there, and
    // the rest sees the line's first piece as logged.
    const bool inPieces = RxLine.Continued();
    const QString& text = inPieces ? RxLine.First() : RxLine.Text();
    if (inPieces) {
        const QString rest = slash ? RxLine.Text() + QLatin1Char('/') : RxLine.Text();
        Print(TLogFiles::kContinued + rest);
        writeToDataFile(rest);
    }
    if (!text.isEmpty()) {
        QString line = RxMarker ? kRxMarker + text : text;
        if (slash && !inPieces)
            line += QLatin1Char('/');
        if (!inPieces) {
            Print(line);
            if (PlainCapture)
                writeToDataFile(line);
        }
        if (StampCapture) {
            line = StampPrefix(StampClockNow()) + line;
            if (!inPieces)
                writeToDataFile(line);
        }
        if (PlcCapture) {
            if (!inPieces)
                writeToDataFile(line);
            if (PlcCapture && PlcListingEnds(line)) {
                PlcCapture = false;
                DataFile.Close();
                // The log shows everything up to here while the message is open.
                EndLogBatch();
                Dialogs().Info(tr("OK - Datei gespeichert ...\r\r"));
                BeginLogBatch();
            }
        }
        const bool userBreak = line.contains(QLatin1String("user break ..."));
        if (userBreak || line.contains(QLatin1String("end of data ..."))) {
            // A list download that ends here may be looked at: asked once
            // the receive handler has returned.
            if (PlainCapture && DataFile.IsOpen())
                QTimer::singleShot(0, this,
                                   [this, file = LstFile, userBreak] { OfferTrackView(*this, file, userBreak); });
            PlainCapture = false;
            DataFile.Close();
        }
        reflect(line);
        emit LineReceived(line);
    } else if (slash) {
        Print(kRxMarker + QLatin1Char('/'));
    }
    if (std::optional<QString> id = IdReplyOf(text))
        IdReply = *id;
    RxLine.clear();
}

void TFormMain::reflect(const QString& line)
{
    for (const TReflection& row : kReflections) {
        const QLatin1String key(row.key);
        if (!line.contains(key) || ActivePanel != QLatin1String(row.panel))
            continue;
        const std::optional<int> value = ReflectedValue(line, key);
        if (!value)
            continue;  // no whole number: the field stays as it is
        if (auto* field = findChild<TSpinEdit*>(QLatin1String(row.field)))
            field->SetValue(*value);
    }
}
