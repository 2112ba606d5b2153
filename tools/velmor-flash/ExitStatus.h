#pragma once

// The exit statuses of velmor-flash, one per outcome, and their order of
// seriousness when several devices end differently.

enum ExitStatus : int {
    ExitOk = 0,
    ExitUnexpected = 1,
    ExitUsage = 2,
    ExitNoStart = 3,
    ExitNoAck = 4,
    ExitWrongAck = 5,
    ExitTooManyRetries = 6,
    ExitNoCompletion = 7,
    ExitLineFailed = 8,
    ExitReportUnwritable = 9,
    ExitFileUnreadable = 10,
    ExitFileTooLarge = 11,
    ExitFileContent = 12,
    ExitDeviceMissing = 20,
    ExitDeviceNotOpened = 21,
    ExitCut = 130,  // ended by a second Ctrl+C while its transfer ran
};

// The more serious of two device outcomes. A unit without its record in the
// report is the worst (nobody can tell what it holds); then a unit left with
// a partial image (its transfer began and broke off), then one that was never
// written to. Ok is the least serious of all.
inline int MoreSerious(int a, int b)
{
    constexpr int kOrder[] = {ExitReportUnwritable, ExitLineFailed,   ExitCut,          ExitTooManyRetries,
                              ExitWrongAck,         ExitNoAck,        ExitNoCompletion, ExitNoStart,
                              ExitDeviceNotOpened,  ExitDeviceMissing};
    for (const int status : kOrder)
        if (a == status || b == status)
            return status;
    return a != ExitOk ? a : b;
}
