#pragma once

// The status answer of the newer GSM watchdog unit and the numbers it
// reports, read from one received line as the message log shows it (with
// the receive marker when that is on, and a trailing "/" when the line was
// ended by one). Keys are matched without regard to letter case:
//
// - a line holding "vigilo-gsm status" is the status line: trimmed, every
//   "<--- " taken out, every comma made a line break; the rest of the line
//   is read in that form;
// - "sprach-nr" and "sms-nr1" .. "sms-nr5" each give a number: from the key
//   on, the text between the first and the second colon, up to the first
//   carriage return, trimmed. A key without a colon behind it, or with
//   nothing behind that colon, gives nothing. The first occurrence of a key
//   counts, and "sms-nr1" also matches inside "sms-nr10".
//
// The work per line is a few passes over it, whatever it holds.

#include <QString>

#include <array>
#include <optional>

struct TVigiloStatusUpdate {
    std::optional<QString> statusText;                 // the status line, one item a line
    std::optional<QString> voiceNumber;                // "sprach-nr"
    std::array<std::optional<QString>, 5> smsNumbers;  // "sms-nr1" .. "sms-nr5"
};

TVigiloStatusUpdate ParseVigiloStatus(const QString& line);

// Trims characters with codes up to 32 (blanks and control characters) at
// both ends.
QString TrimControls(const QString& text);
