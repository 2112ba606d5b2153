#pragma once

#include <QString>

class TFormMain;

// The list download: the logger sends its recorded data after "L\r", and the
// receive side writes every line into the data file until a line holds
// "end of data ..." or "user break ...", or the user presses ESC.

// The file the list goes into: the chosen name, with ".lst" appended when
// its last path component has no extension.
QString ListFileName(const QString& chosen);

// Asks for the list file, remembers and stores the choice, opens the data
// file and starts the capture with "L\r". Cancel changes nothing; a file that
// cannot be created ends every capture and sends nothing.
void BtnL_GPSDLClick(TFormMain& main);
