#pragma once

class TFormMain;
class QMenu;

// The menu "Sprache / Language" of the main window, before "Info": "Deutsch"
// and "English", the language in force checked. A choice is written into the
// window's settings file ([Misc] Language) and takes effect at the next start
// of the program, which a message says; the window's texts stay as they are
// until then, so that nothing typed into a panel is lost. Returns the menu.
QMenu* AddLanguageMenu(TFormMain& main);
