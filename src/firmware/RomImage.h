#pragma once

// Firmware files (.rom) and the memory image they are loaded into.
//
// A .rom file is text. Every line that holds a colon is one data line: the
// text after its first colon is a hexadecimal number of one to eight digits
// and nothing else (no sign, no prefix, no blanks); anything else reads as 0
// and the line still counts. The low 16 bits of each value are stored low
// byte first at the next free image offset, purely in file order. Lines end
// at LF, CR LF or CR; lines without a colon are skipped.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

// Size of the image: 128 KiB of data plus one spare byte, all 0xFF until
// the file's words are stored.
inline constexpr int RomImageSize = 0x20001;
// Data lines that fit into the image (two bytes each). A file with more is
// refused as a whole.
inline constexpr int RomMaxDataLines = 65536;

struct TRomImage {
    QByteArray bytes = QByteArray(RomImageSize, char(0xFF));
    int length = 0;  // data bytes stored: twice the number of data lines
};

enum class TRomLoad {
    Ok,
    CannotOpen,    // error holds the system's error number
    TooManyLines,  // more than RomMaxDataLines data lines; nothing may be sent
    ReadError,     // errorText holds the device's error text
};

struct TRomResult {
    TRomLoad status = TRomLoad::Ok;
    int error = 0;
    QString errorText;
    // Data lines whose rest did not read as a number (stored as 0), and the
    // file line number (from 1) of the first of them; 0 when there is none.
    int unreadWords = 0;
    int firstUnreadLine = 0;
};

// Reads a firmware file into image. On any result but Ok the image is left
// empty (length 0, all 0xFF).
TRomResult LoadRomFile(const QString& path, TRomImage& image);
// Same for an open device, read from its current position to its end.
TRomResult LoadRom(QIODevice& in, TRomImage& image);

// The data word of one line, given the text after its first colon.
quint16 RomLineWord(QByteArrayView afterColon);

// Blocks needed for length bytes: length div blockSize, plus one for a
// remainder, as an unsigned 16-bit number. 0 for a blockSize below 1.
quint16 BlockCount(int length, int blockSize);
