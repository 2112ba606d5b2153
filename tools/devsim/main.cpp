// velmor-devsim: plays devices on pseudo-terminals, so that the program can
// be tried and shown without hardware. Each device gets a pseudo-terminal of
// its own; with --settings, the settings file's "Ports" section points ComN
// at it (with --map, that of the file the window itself uses). Runs until SIGINT or SIGTERM; ending it unplugs every
// device.
#include "app/IniFile.h"
#include "app/ProgramInfo.h"
#include "app/SettingsLocation.h"
#include "sim/DevicePeer.h"
#include "sim/ModemPeer.h"
#include "sim/SimDevices.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSet>

#include <csignal>
#include <cstdio>
#include <memory>
#include <pthread.h>
#include <vector>

namespace {

struct TChoice {
    const TSimFamily* family;
    int com;  // 0: the next free number
};

int Fail(const QString& text)
{
    std::fprintf(stderr, "velmor-devsim: %s\n", qPrintable(text));
    return 2;
}

QString FamilyList()
{
    QString list;
    for (const TSimFamily& f : SimFamilies())
        list += QStringLiteral("  %1  %2\n").arg(f.name, -16).arg(f.description);
    return list;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays devices on pseudo-terminals, one per device; prints a line\n"
                       "\"family ComN path\" for each, then \"ready\", and runs until interrupted.\n\n"
                       "Families:\n")
        + FamilyList());
    parser.addHelpOption();
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("A device of FAMILY, on port ComN if given (repeatable)."),
                                    QStringLiteral("FAMILY[:N]"));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("One device of each family."));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Point [Ports] ComN of this settings file at the devices."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption map(QStringLiteral("map"),
                                 QStringLiteral("Point [Ports] ComN of the window's own settings file at the devices "
                                                "(beside the program, else ~/.config/VelmorServiceSoftware/, as the "
                                                "window looks for it)."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Displays the program's version."));
    const QCommandLineOption paced(QStringLiteral("paced"),
                                   QStringLiteral("Take each byte's line time at the rate the port is set to, as a "
                                                  "real line does; without it, answers come at once."));
    parser.addOptions({device, all, settings, map, version, paced});
    parser.process(app);
    if (parser.isSet(version)) {
        std::fputs(VersionAnswer("velmor-devsim").constData(), stdout);
        return 0;
    }

    std::vector<TChoice> choices;
    if (parser.isSet(all))
        for (const TSimFamily& f : SimFamilies())
            choices.push_back({&f, 0});
    for (const QString& entry : parser.values(device)) {
        const QStringList parts = entry.split(u':');
        const TSimFamily* family = FindSimFamily(parts[0]);
        if (!family || parts.size() > 2)
            return Fail(QStringLiteral("unknown device '%1'; families:\n%2").arg(entry, FamilyList()));
        int com = 0;
        if (parts.size() == 2) {
            bool ok = false;
            com = parts[1].toInt(&ok);
            if (!ok || com < 1 || com > 24)
                return Fail(QStringLiteral("port number of '%1' must be 1 .. 24").arg(entry));
        }
        choices.push_back({family, com});
    }
    if (choices.empty())
        return Fail(QStringLiteral("no device chosen (--device FAMILY[:N] or --all); see --help"));

    QSet<int> taken;
    for (const TChoice& c : choices)
        if (c.com
            && std::count_if(choices.begin(), choices.end(), [&](const TChoice& o) { return o.com == c.com; }) > 1)
            return Fail(QStringLiteral("Com%1 chosen twice").arg(c.com));
    for (const TChoice& c : choices)
        taken.insert(c.com);
    int next = 1;
    for (TChoice& c : choices) {
        if (c.com)
            continue;
        while (taken.contains(next))
            ++next;
        if (next > 24)
            return Fail(QStringLiteral("more than 24 devices"));
        c.com = next;
        taken.insert(next);
    }

    // The peers' threads inherit the mask: the signals reach only sigwait below.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    QString settingsFile;
    if (parser.isSet(settings))
        settingsFile = parser.value(settings);
    else if (parser.isSet(map)) {
        settingsFile = SettingsFileForProgram(
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("VelmorServiceSoftware")));
        MakeSettingsFolder(settingsFile);
    }

    std::vector<std::unique_ptr<TDevicePeer>> peers;
    std::vector<std::shared_ptr<TSimDevice>> devices;
    std::vector<std::unique_ptr<TModemPeer>> modems;
    for (const TChoice& c : choices) {
        auto peer = std::make_unique<TDevicePeer>();
        peer->SetPaced(parser.isSet(paced));
        auto dev = c.family->make();
        if (c.family->withModem)
            modems.push_back(std::make_unique<TModemPeer>(*peer, dev));
        else
            peer->SetDevice(dev);
        if (!settingsFile.isEmpty())
            peer->MapPort(settingsFile, c.com);
        std::printf("%s Com%d %s\n", qPrintable(c.family->name), c.com, qPrintable(peer->SlavePath()));
        peers.push_back(std::move(peer));
        devices.push_back(std::move(dev));
    }
    std::printf("ready\n");
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stop, &sig);
    modems.clear();
    peers.clear();
    return 0;
}
