#include "sim/SimDevices.h"

#include <chrono>

namespace {

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A loader that has taken nothing for this long was given up by the
// program; the device starts again.
constexpr qint64 kLoaderGiveUpMs = 30000;
constexpr qsizetype kMaxLine = 512;
constexpr int kListLineMs = 60;

// "{+}", "{+} " or "{n}" in front of a command: the frame's channel (0 for
// "+") and the command; -1 when the text is not framed.
int Unframe(const QByteArray& text, QByteArray& command)
{
    if (text.size() < 3 || text[0] != '{' || text[2] != '}')
        return -1;
    command = text.mid(3).trimmed();
    if (text[1] == '+')
        return 0;
    if (text[1] >= '1' && text[1] <= '5')
        return text[1] - '0';
    return -1;
}

QByteArray NmeaSentence(const QByteArray& body)
{
    quint8 sum = 0;
    for (char c : body)
        sum ^= quint8(c);
    return '$' + body + '*' + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0');
}

}  // namespace

// ---------------------------------------------------------------------------

TSimDevice::TSimDevice(QByteArray idReply, int blockSize) : m_idReply(std::move(idReply)), m_blockSize(blockSize)
{
    freshLoader();
}

void TSimDevice::freshLoader() { m_loader = std::make_shared<TBootLoader>(m_blockSize); }

void TSimDevice::Receive(const QByteArray& piece, IPeerLine& line)
{
    const qint64 now = nowMs();
    if (m_loader->Started() && !m_loader->Finished() && now - m_loaderActiveMs > kLoaderGiveUpMs)
        freshLoader();
    const bool wasStarted = m_loader->Started();
    // Before its start command the loader only watches for it.
    m_loader->Receive(piece, line);
    if (m_loader->Started()) {
        m_loaderActiveMs = now;
        m_line.clear();
        if (m_loader->Finished()) {
            if (m_loader->AnnouncedBlocks() > 0
                && m_loader->Flash().size() / m_blockSize == m_loader->AnnouncedBlocks())
                ++m_updates;
            freshLoader();
        }
        return;
    }
    if (!wasStarted)
        OnBytes(piece, line);
}

void TSimDevice::OnBytes(const QByteArray& piece, IPeerLine& line)
{
    for (char c : piece) {
        if (c == '\n')
            continue;
        if (c != '\r') {
            if (m_line.size() < kMaxLine)
                m_line += c;
            continue;
        }
        const QByteArray text = m_line;
        m_line.clear();
        QByteArray answer;
        if (text == "{+}h" && !m_idReply.isEmpty())
            answer = m_idReply + '\r';
        else
            answer = OnLine(text, line);
        if (!answer.isEmpty())
            line.Write(answer);
    }
}

QByteArray TSimDevice::Lines(const QList<QByteArray>& lines)
{
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + "\r\n";
    return out;
}

// ---------------------------------------------------------------------------

namespace {

const QMap<QByteArray, QByteArray>& WatchdogDefaults()
{
    static const QMap<QByteArray, QByteArray> defaults = {{"TR", "30"},   {"TA", "10"},    {"TF", "60"},
                                                          {"TV", "5"},    {"ONAPON", "0"}, {"TRIAPON", "0"},
                                                          {"MODUS", "1"}, {"AUX1", "0"}};
    return defaults;
}

}  // namespace

TSimVigilo::TSimVigilo(QByteArray idReply, int blockSize)
    : TSimDevice(std::move(idReply), blockSize), m_params(WatchdogDefaults())
{}

QByteArray TSimVigilo::OnLine(const QByteArray& text, IPeerLine&)
{
    QByteArray command;
    if (Unframe(text, command) < 0)
        return text.trimmed().isEmpty() ? QByteArray() : Lines({"?"});
    if (command.isEmpty())
        return {};  // a trigger: nothing to say
    const QByteArray answer = OnCommand(command);
    return answer.isEmpty() ? Lines({"?"}) : answer;
}

QByteArray TSimVigilo::OnCommand(const QByteArray& command)
{
    const qsizetype eq = command.indexOf('=');
    if (eq > 0) {
        const QByteArray name = command.left(eq).trimmed().toUpper();
        const QByteArray value = command.mid(eq + 1).trimmed();
        if (name.isEmpty() || value.isEmpty())
            return {};
        m_params[name] = value;
        m_active = true;
        return Lines({name + '=' + value});
    }
    const QByteArray word = command.toUpper();
    if (word == "GET") {
        QList<QByteArray> lines;
        for (auto it = m_params.cbegin(); it != m_params.cend(); ++it)
            lines << it.key() + '=' + it.value();
        lines << QByteArray("state: watchdog ") + (m_active ? "active" : "deactivated") + ", output on";
        return Lines(lines);
    }
    if (word == "DEAKTIV") {
        m_active = false;
        return Lines({"watchdog deactivated"});
    }
    if (word == "DELEEPROM") {
        m_params.insert(WatchdogDefaults());
        m_active = true;
        return Lines({"defaults set", "OK"});
    }
    return {};
}

// ---------------------------------------------------------------------------

TSimVigiloGsm::TSimVigiloGsm() : TSimVigilo("#01.00.01", 256)
{
    m_params["SMSNR1"] = "00491701234567";
    m_params["VOICENR"] = "0049891234567";
}

QByteArray TSimVigiloGsm::OnCommand(const QByteArray& command)
{
    if (command.toLower() == "gsminfo")
        return Lines({"GSM: registered (home network)", "operator: Velmor Net", "signal: 21 (good)", "SIM: ready",
                      "GPRS: attached"});
    return TSimVigilo::OnCommand(command);
}

// ---------------------------------------------------------------------------

TSimQuintra::TSimQuintra() : TSimDevice("#03.00.00", 128)
{
    for (auto& channel : m_channels)
        channel = {{"MODUS", "1"}, {"TR", "30"}, {"TA", "10"}, {"TF", "60"}, {"TV", "5"}};
    m_steps = {"0,1,ON", "10,2,ON", "20,1,OFF", "30,2,OFF"};
    m_stored = m_steps;
}

QByteArray TSimQuintra::channelState(int channel) const
{
    QByteArray line = "CH" + QByteArray::number(channel) + ':';
    const auto& params = m_channels[channel - 1];
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        line += ' ' + it.key() + '=' + it.value();
    return line;
}

QByteArray TSimQuintra::OnLine(const QByteArray& text, IPeerLine&)
{
    QByteArray command;
    const int channel = Unframe(text, command);
    if (channel < 0)
        return text.trimmed().isEmpty() ? QByteArray() : Lines({"?"});
    if (command.isEmpty())
        return {};
    const QByteArray word = command.toUpper();
    if (channel == 0) {
        if (word == "GET")
            return Lines({channelState(1), channelState(2), channelState(3), channelState(4), channelState(5)});
        if (word == "ON" || word == "OFF")
            return Lines({"all channels " + word});
        if (word == "DELSTATUS")
            return Lines({"status cleared"});
        if (word == "PLCGET") {
            QList<QByteArray> lines;
            for (int i = 0; i < m_steps.size(); ++i)
                lines << "STEP" + QByteArray::number(i + 1).rightJustified(2, '0') + '=' + m_steps[i];
            lines << "OK";
            return Lines(lines);
        }
        if (word.startsWith("PLCSET=")) {
            const QByteArray step = command.mid(7).trimmed();
            if (step.count(',') != 2 || m_steps.size() >= kMaxSteps)
                return Lines({"PLCset ERROR"});
            m_steps << step;
            return Lines({"PLCset " + QByteArray::number(m_steps.size()) + " done"});
        }
        if (word == "PLCCLEAR ALL") {
            m_steps.clear();
            return Lines({"PLC cleared"});
        }
        if (word.startsWith("PLCCLEAR=")) {
            bool ok = false;
            const int n = command.mid(9).trimmed().toInt(&ok);
            if (!ok || n < 1 || n > m_steps.size())
                return Lines({"PLCclear ERROR"});
            m_steps.removeAt(n - 1);
            return Lines({"PLCclear " + QByteArray::number(n) + " done"});
        }
        if (word == "PLCSTORE") {
            m_stored = m_steps;
            return Lines({"PLC stored"});
        }
    }
    const int first = channel == 0 ? 1 : channel, last = channel == 0 ? 5 : channel;
    if (word == "GET")
        return Lines({channelState(channel)});
    const qsizetype eq = command.indexOf('=');
    if (eq > 0 && eq + 1 < command.size()) {
        const QByteArray name = command.left(eq).trimmed().toUpper();
        const QByteArray value = command.mid(eq + 1).trimmed();
        QList<QByteArray> lines;
        for (int c = first; c <= last; ++c) {
            m_channels[c - 1][name] = value;
            lines << "CH" + QByteArray::number(c) + ": " + name + '=' + value;
        }
        return Lines(lines);
    }
    if (word == "DEAKTIV")
        return Lines({"CH" + QByteArray::number(first) + ": deactivated"});
    return Lines({"?"});
}

// ---------------------------------------------------------------------------

TSimZerbo::TSimZerbo() : TSimDevice("#09.00.00", 64) {}

QByteArray TSimZerbo::OnLine(const QByteArray& text, IPeerLine&)
{
    QByteArray compact = text;
    compact.replace(' ', "");
    const QByteArray word = compact.toUpper();
    if (word == "{+}GET") {
        QList<QByteArray> lines;
        for (int i = 0; i < 5; ++i)
            lines << "SET" + QByteArray::number(i + 1) + '=' + QByteArray::number(m_set[i]);
        lines << "OUT1=" + m_out[0] + " OUT2=" + m_out[1] + " OUT3=" + m_out[2];
        return Lines(lines);
    }
    if (word == "?")
        return Lines({"Zerbo I/O box: SET n = v, OUT n = 0|1|Pulse|Reset, {+} GET"});
    // "SETn=v" and "OUTn=v", n a single digit.
    for (const QByteArray& kind : {QByteArray("SET"), QByteArray("OUT")}) {
        if (!word.startsWith(kind) || word.size() < kind.size() + 3 || word[kind.size() + 1] != '=')
            continue;
        const int n = word[kind.size()] - '0';
        const QByteArray value = compact.mid(kind.size() + 2);
        const int count = kind == "SET" ? 5 : 3;
        if (n < 1 || n > count)
            return Lines({"?"});
        if (kind == "SET") {
            bool ok = false;
            const int v = value.toInt(&ok);
            if (!ok || v < 0 || v > 65535)
                return Lines({"?"});
            m_set[n - 1] = v;
            return Lines({"SET" + QByteArray::number(n) + '=' + QByteArray::number(v)});
        }
        const QByteArray v = value.toUpper();
        if (v != "0" && v != "1" && v != "PULSE" && v != "RESET")
            return Lines({"?"});
        m_out[n - 1] = (v == "PULSE" || v == "RESET") ? "0" : v;
        return Lines({"OUT" + QByteArray::number(n) + '=' + value});
    }
    return text.trimmed().isEmpty() ? QByteArray() : Lines({"?"});
}

// ---------------------------------------------------------------------------

TSimGpsLogger::TSimGpsLogger() : TSimDevice("#80.00.00", 128), m_track(Track()) {}

QList<QByteArray> TSimGpsLogger::Track()
{
    // A short walk to the north-east, a fix every seven seconds.
    QList<QByteArray> track;
    for (int i = 0; i < 8; ++i) {
        const int sec = 7 * i;
        const QByteArray time = "1205" + QByteArray::number(sec).rightJustified(2, '0') + ".00";
        const QByteArray lat = "4808." + QByteArray::number(123 + 7 * i).rightJustified(3, '0');
        const QByteArray lon = "01134." + QByteArray::number(456 + 9 * i).rightJustified(3, '0');
        track << NmeaSentence("GPGGA," + time + ',' + lat + ",N," + lon + ",E,1,07,1.2,519." + QByteArray::number(i)
                              + ",M,47.0,M,,")
              << NmeaSentence("GPRMC," + time + ",A," + lat + ",N," + lon + ",E,2.1,45.0,120626,,");
    }
    return track;
}

void TSimGpsLogger::OnBytes(const QByteArray& piece, IPeerLine& line)
{
    const qsizetype esc = piece.indexOf(char(27));
    if (esc < 0) {
        TSimDevice::OnBytes(piece, line);
        return;
    }
    TSimDevice::OnBytes(piece.left(esc), line);
    if (m_list) {
        m_list = 0;
        line.Write(Lines({"user break ..."}));
    }
    OnBytes(piece.mid(esc + 1), line);
}

void TSimGpsLogger::startList(IPeerLine& line)
{
    static int lists = 0;
    const int list = ++lists;
    m_list = list;
    m_next = 0;
    // One line every few milliseconds, as the logger reads its memory.
    auto due = std::make_shared<qint64>(nowMs() + kListLineMs);
    line.After(kListLineMs, [this, list, due, &line] {
        if (m_list != list)
            return true;  // broken off, or a newer list runs
        if (nowMs() < *due)
            return false;
        *due += kListLineMs;
        if (m_next < m_track.size()) {
            line.Write(Lines({m_track[m_next++]}));
            return false;
        }
        m_list = 0;
        line.Write(Lines({"end of data ... " + QByteArray::number(m_track.size()) + " lines"}));
        return true;
    });
}

QByteArray TSimGpsLogger::OnLine(const QByteArray& text, IPeerLine& line)
{
    const QByteArray word = text.trimmed().toUpper();
    if (word.isEmpty())
        return {};
    if (word == "L" || word == "DIR") {
        startList(line);
        return {};
    }
    if (m_list)
        return {};  // busy listing
    if (word == "?")
        return Lines({"Trakka GPS data logger V2.1", "interval " + QByteArray::number(m_interval) + " s",
                      "memory: " + QByteArray::number(m_track.size()) + " sentences",
                      QByteArray("online: ") + (m_online ? "on" : "off")});
    if (word == "O1" || word == "O0") {
        m_online = word == "O1";
        return Lines({QByteArray("online ") + (m_online ? "ON" : "OFF")});
    }
    if (word == "ERASE") {
        m_track.clear();
        return Lines({"memory erased"});
    }
    if (word == "!")
        return Lines({"OK"});
    if (word.startsWith("I=") || word.startsWith("INTERVAL=")) {
        bool ok = false;
        const int v = word.mid(word.indexOf('=') + 1).toInt(&ok);
        if (!ok || v < 1)
            return Lines({"?"});
        m_interval = v;
        return Lines({"interval " + QByteArray::number(v) + " s"});
    }
    return Lines({"?"});
}

// ---------------------------------------------------------------------------

TSimKippaSmart::TSimKippaSmart() : TSimDevice(QByteArray(), 128) {}

void TSimKippaSmart::OnBytes(const QByteArray& piece, IPeerLine& line)
{
    const int rate = line.Baud();
    QByteArray answer;
    for (char c : piece) {
        if (m_measuring) {
            if (c == 'U') {
                m_rate = rate;
                m_measuring = false;
                m_buffer.clear();
                answer += Lines({"autobaud " + QByteArray::number(rate)});
            }
            continue;
        }
        answer += onChar(c, rate == m_rate);
    }
    if (!answer.isEmpty())
        line.Write(answer);
}

QByteArray TSimKippaSmart::output(char op, int box)
{
    bool& on = m_on[box];
    QByteArray state;
    switch (op) {
    case 'E':
        on = true;
        break;
    case 'A':
        on = false;
        break;
    case 'T':
        on = !on;
        break;
    case '+':
        on = true;
        state = " for 1 min";
        break;
    case '-':
        on = false;
        state = " for 1 min";
        break;
    default:
        break;  // '?': read only
    }
    return Lines({"box " + QByteArray::number(box) + ": " + (on ? "ON" : "OFF") + state});
}

QByteArray TSimKippaSmart::onChar(char c, bool atOwnRate)
{
    if (c == '\n')
        return {};
    if (c != '\r') {
        m_buffer += c;
        if (m_buffer.size() > kMaxLine)
            m_buffer.remove(0, m_buffer.size() - kMaxLine);
        const qsizetype n = m_buffer.size();
        if (atOwnRate && n >= 4 && m_buffer[n - 4] == 'R' && m_buffer[n - 3] == 'S'
            && QByteArray("EAT+-?").contains(m_buffer[n - 2]) && m_buffer[n - 1] >= '0' && m_buffer[n - 1] <= '9') {
            const char op = m_buffer[n - 2];
            const int box = m_buffer[n - 1] - '0';
            m_buffer.clear();
            return output(op, box);
        }
        return {};
    }
    const QByteArray text = m_buffer.trimmed();
    m_buffer.clear();
    // The restart is taken at any rate: the line's rate is read when the
    // bytes are, and the program may have moved on by then.
    if (text.endsWith("{+}reset")) {
        m_measuring = true;
        return {};
    }
    if (!atOwnRate)
        return {};  // noise to the boxes
    if (text.size() == 5 && text.startsWith("{+}") && (text[3] == 'f' || text[3] == 'h') && text[4] >= '0'
        && text[4] <= '9') {
        const QByteArray box = text.mid(4, 1);
        return Lines({text[3] == 'f' ? "box " + box + " firmware V1.12" : "box " + box + " hardware HW-B"});
    }
    return text.isEmpty() ? QByteArray() : Lines({"?"});
}

// ---------------------------------------------------------------------------

TSimVigiloGsmNeu::TSimVigiloGsmNeu() : TSimDevice("#72.00.00", 128) {}

QByteArray TSimVigiloGsmNeu::status() const
{
    QByteArray line = "Vigilo-GSM status: ok,socket: " + m_socket + ",alarmmode: " + m_alarmMode
                      + ",heartbeats: " + QByteArray::number(m_heartbeats) + ",sprach-nr: " + m_voice;
    for (int i = 0; i < 5; ++i)
        line += ",sms-nr" + QByteArray::number(i + 1) + ": " + m_sms[i];
    return line + ",end";
}

QByteArray TSimVigiloGsmNeu::OnLine(const QByteArray& text, IPeerLine&)
{
    QByteArray command;
    if (Unframe(text, command) != 0)
        return text.trimmed().isEmpty() ? QByteArray() : Lines({"?"});
    const QByteArray word = command.toUpper();
    if (word == "GET")
        return Lines({status()});
    if (word == "ON!" || word == "OFF!" || word == "RESET!") {
        m_socket = word == "OFF!" ? "off" : "on";
        return Lines({"socket " + word.chopped(1)});
    }
    if (word == "HEARTBEAT") {
        ++m_heartbeats;
        return Lines({"heartbeat ok"});
    }
    if (word == "FIRMWARE?")
        return Lines({"firmware V3.04"});
    const qsizetype eq = command.indexOf('=');
    if (eq > 0) {
        const QByteArray name = word.left(eq);
        const QByteArray value = command.mid(eq + 1).trimmed();
        if (name == "VOICENR") {
            m_voice = value.isEmpty() ? "-" : value;
            return Lines({"voice number: " + m_voice});
        }
        if (name.startsWith("SMSNR") && name.size() == 6 && name[5] >= '1' && name[5] <= '5') {
            const int i = name[5] - '1';
            m_sms[i] = value.isEmpty() ? "-" : value;
            return Lines({"sms number " + QByteArray::number(i + 1) + ": " + m_sms[i]});
        }
        if (name == "ALARMMODE"
            && QList<QByteArray>{"WARNONLY", "RESET", "POWERON", "POWEROFF"}.contains(value.toUpper())) {
            m_alarmMode = value.toUpper();
            return Lines({"alarm mode: " + m_alarmMode});
        }
    }
    return Lines({"?"});
}

// ---------------------------------------------------------------------------

const QList<TSimFamily>& SimFamilies()
{
    static const QList<TSimFamily> families = {
        {QStringLiteral("vigilo"), QStringLiteral("Vigilo watchdog unit"),
         [] { return std::shared_ptr<TSimDevice>(std::make_shared<TSimVigilo>()); }, false},
        {QStringLiteral("vigilogsm"), QStringLiteral("Vigilo-GSM unit"),
         [] { return std::shared_ptr<TSimDevice>(std::make_shared<TSimVigiloGsm>()); }, false},
        {QStringLiteral("vigilogsm-modem"), QStringLiteral("Vigilo-GSM unit behind a mobile phone (AT commands, call)"),
         [] { return std::shared_ptr<TSimDevice>(std::make_shared<TSimVigiloGsm>()); }, true},
        {QStringLiteral("quintra"), QStringLiteral("Quintra five-channel unit"),
         [] { return std::shared_ptr<TSimDevice>(std::make_shared<TSimQuintra>()); }, false},
        {QStringLiteral("zerbo"), QStringLiteral("Zerbo I/O box"),
         [] { return std::shared_ptr<TSimDevice>(std::make_shared<TSimZerbo>()); }, false},
        {QStringLiteral("gpslogger"), QStringLiteral("GPS data logger"),
         [] { return std::shared_ptr<TSimDevice>(std::make_shared<TSimGpsLogger>()); }, false},
        {QStringLiteral("kippasmart"), QStringLiteral("smart switch boxes, addresses 0 to 9"),
         [] { return std::shared_ptr<TSimDevice>(std::make_shared<TSimKippaSmart>()); }, false},
        {QStringLiteral("vigilogsmneu"), QStringLiteral("newer GSM unit with PC heartbeat"),
         [] { return std::shared_ptr<TSimDevice>(std::make_shared<TSimVigiloGsmNeu>()); }, false},
    };
    return families;
}

const TSimFamily* FindSimFamily(const QString& name)
{
    for (const TSimFamily& f : SimFamilies())
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}
