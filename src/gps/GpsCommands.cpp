#include "gps/GpsCommands.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "gps/ConversionRun.h"
#include "gps/ListDownload.h"
#include "gps/TrackView.h"
#include "widgets/Dialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTimer>

namespace {

constexpr quint8 kEsc = 27;

void connectClick(QAbstractButton* button, QObject* context, std::function<void()> handler)
{
    if (button)
        QObject::connect(button, &QAbstractButton::clicked, context, Guarded(std::move(handler)));
}

}  // namespace

void Button21Click(TFormMain& main)
{
    // Ends whatever capture runs (list, endurance protocol, sequence), also
    // when the byte cannot go out because the line is gone: otherwise
    // nothing could end it.
    const auto endCaptures = [&main] {
        // A list download broken off may still be looked at, once the click
        // has returned.
        if (main.PlainCapture && main.DataFile.IsOpen())
            QTimer::singleShot(0, &main, [&main, file = main.LstFile] { OfferTrackView(main, file, true); });
        main.PlainCapture = main.PlcCapture = main.StampCapture = false;
        main.CloseDataFile();
    };
    try {
        main.SendByte(-1, kEsc);
    } catch (...) {
        endCaptures();
        throw;
    }
    endCaptures();
}

void BtnERAS_GPSDLClick(TFormMain& main)
{
    if (Dialogs().YesNo(QCoreApplication::translate("GpsCommands", "Speicher wirklich löschen?\r\r"), true))
        main.SendPlain(QStringLiteral("ERASE\r"));
}

void BtnO1_GPSDLClick(TFormMain& main) { main.SendPlain(QStringLiteral("O1\r")); }
void BtnO0_GPSDLClick(TFormMain& main) { main.SendPlain(QStringLiteral("O0\r")); }

void Btn_RClick(TFormMain& main, int resolution) { main.SendPlain(QStringLiteral("R%1\r").arg(resolution)); }

void WireGpsCommands(TFormMain* main, QObject* context, const TGpsCommandButtons& b)
{
    for (QAbstractButton* caption : {b.query, b.bang})
        connectClick(caption, context, [main, caption] { main->ButtonAllg_ZBClick(caption); });
    for (QAbstractButton* list : b.list)
        connectClick(list, context, [main] { BtnL_GPSDLClick(*main); });
    connectClick(b.esc, context, [main] { Button21Click(*main); });
    connectClick(b.erase, context, [main] { BtnERAS_GPSDLClick(*main); });
    connectClick(b.online1, context, [main] { BtnO1_GPSDLClick(*main); });
    connectClick(b.online0, context, [main] { BtnO0_GPSDLClick(*main); });
    for (int i = 0; i < int(b.resolution.size()); ++i)
        connectClick(b.resolution[i], context, [main, i] { Btn_RClick(*main, i + 1); });

    // The converter buttons stand in the order of the format rows.
    const QList<TExportFormat>& formats = ExportFormats();
    Q_ASSERT(size_t(formats.size()) == b.convert.size());
    for (size_t i = 0; i < b.convert.size() && i < size_t(formats.size()); ++i)
        connectClick(b.convert[i], context, [main, f = formats[qsizetype(i)]] { RunConversion(main, f); });
    connectClick(b.trackView, context, [main] { TrackAnsehenClick(*main); });
}
