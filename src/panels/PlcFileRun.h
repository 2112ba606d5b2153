#pragma once

class TFormMain;

// The two file operations of the sequence program. Saving asks the unit for
// its listing and lets the receive side capture it into the chosen file up to
// the unit's "OK"; loading sends one step per usable file line, paced by a
// blocking pause.
//
// A capture that runs when either starts (a protocol, a list download) is
// ended first and its file closed, so that it is complete up to that moment
// and the sequence file holds only the unit's listing.
void PlcSequenceSave(TFormMain& main);
void PlcSequenceLoad(TFormMain& main);
