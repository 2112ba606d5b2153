#pragma once

class TFormMain;

// "firmware update via CSD": asks "wirklich flashen?" and on Yes shows the
// firmware dialog for a unit reached over a modem call, modally.
void ButtonFUCSDClick(TFormMain* main);
