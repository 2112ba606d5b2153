#pragma once

#include "gps/NmeaFields.h"

#include <memory>
#include <string>
#include <string_view>

class TLineWriter;

// One output format of the converter. The conversion feeds it every input
// line, split into fields; it writes its header and records itself.
class TNmeaExport {
public:
    virtual ~TNmeaExport() = default;
    // True when the format needs a counting pass over the input before its
    // header can be written; that pass feeds Count() with every line.
    virtual bool CountsFirst() const { return false; }
    virtual void Count(std::string_view /*line*/) {}
    virtual void Header(TLineWriter& out) = 0;
    // line is the whole input line, fields its split.
    virtual void Record(std::string_view line, const TFields& fields, TLineWriter& out) = 0;
    virtual void Footer(TLineWriter& /*out*/) {}
};

// The day, month and year texts that the date-carrying formats keep; a run
// starts with "00", "00", "0000".
struct TDateTexts {
    std::string day = "00";
    std::string month = "00";
    std::string year = "0000";
    // From a $GPZDA line: fields 2, 3 and 4 as they are.
    bool TakeZda(const TFields& fields);
    // day + "." + month + "." + year
    void AppendDotted(std::string& out) const;
};

std::unique_ptr<TNmeaExport> MakeMapPointExport();
std::unique_ptr<TNmeaExport> MakeKartexExport();
std::unique_ptr<TNmeaExport> MakeMagicMapsExport();
std::unique_ptr<TNmeaExport> MakeGpxExport();
