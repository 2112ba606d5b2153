// Arbitrary bytes as a .plc file, loaded through a text file slot: every
// line with "=" is sent as one step, in file order, and nothing else is.
#include "FuzzCheck.h"
#include "panels/PlcSequence.h"
#include "rx/TextFileSlot.h"

#include <sys/mman.h>
#include <unistd.h>

#include <vector>

namespace {

// The file lives in memory; the slot opens it by its name under /proc.
struct TMemoryFile {
    int fd = memfd_create("fuzz.plc", 0);
    QString name = QStringLiteral("/proc/self/fd/%1").arg(fd);

    void Set(const uint8_t* data, size_t size)
    {
        FUZZ_CHECK(fd >= 0 && ftruncate(fd, 0) == 0, "the memory file is there");
        size_t done = 0;
        while (done < size) {
            const ssize_t put = pwrite(fd, data + done, size - done, off_t(done));
            FUZZ_CHECK(put > 0, "the memory file takes the input");
            done += size_t(put);
        }
    }
};

// Lines end at LF, CR LF or a lone CR; a last line without an end counts
// when it holds anything.
std::vector<QString> Lines(const uint8_t* data, size_t size)
{
    std::vector<QString> lines;
    size_t pos = 0;
    while (pos < size) {
        size_t end = pos;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        lines.push_back(QString::fromLatin1(reinterpret_cast<const char*>(data) + pos, qsizetype(end - pos)));
        if (end == size)
            break;
        pos = end + (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses: one input in 32 goes through a file and the
    // slot (the whole load), the others through the step rule alone, which
    // is much faster.
    const bool throughFile = data[0] % 32 == 0;
    ++data;
    --size;
    const std::vector<QString> lines = Lines(data, size);

    std::vector<QString> sent;
    if (throughFile) {
        static TMemoryFile file;
        file.Set(data, size);
        TTextFileSlot slot;
        FUZZ_CHECK(slot.OpenForReading(file.name) == 0, "the file opens");
        int pauses = 0;
        const int count = SendPlcSteps(
            slot, [&](const QString& command) { sent.push_back(command); }, [&] { ++pauses; });
        FUZZ_CHECK(!slot.IsOpen(), "the slot is closed after the load");
        FUZZ_CHECK(count == int(sent.size()) && pauses == count, "one pause after every step sent");
    } else {
        for (const QString& line : lines)
            if (const std::optional<QString> step = PlcStepOf(line))
                sent.push_back(PlcSetCommand(*step));
    }

    std::vector<QString> expected;
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0)
            expected.push_back(QStringLiteral("{+}PLCset=") + line.mid(eq + 1, kPlcStepLimit) + QLatin1Char('\r'));
    }
    FUZZ_CHECK(sent == expected, "every line with '=' is sent as its step, in file order");
    for (const QString& command : sent) {
        FUZZ_CHECK(command.indexOf(QLatin1Char('\r')) == command.size() - 1, "a command is one line");
        FUZZ_CHECK(command.size() <= 10 + kPlcStepLimit + 1, "a step is cut to its limit");
        const std::optional<QString> step = PlcStepOf(command.chopped(1));
        FUZZ_CHECK(step && PlcSetCommand(*step) == command, "a sent command reads back as its step");
    }
    return 0;
}
