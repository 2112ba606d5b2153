#pragma once

#include "gps/NmeaConvert.h"

class TFormMain;

// The conversion run behind the "convert output format to ..." buttons of the
// GPS panels: asks for the NMEA source file, converts it beside itself into
// the chosen format and reports progress in the message log.
void RunConversion(TFormMain* main, TExportFormat format);
