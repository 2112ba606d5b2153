#pragma once

#include <memory>

class TFormMain;
class TFormFlashen;
class TFormFlashenCSD;

// The windows of the program as it starts them, in the language in force:
// the main window with its language menu, then the two firmware dialogs.
// Every window of the program is kept inside the free area of its screen
// from then on (KeepWindowsOnScreen). Needs the QApplication.
struct TProgramWindows {
    TProgramWindows();
    ~TProgramWindows();
    std::unique_ptr<TFormMain> form;
    std::unique_ptr<TFormFlashen> flashen;
    std::unique_ptr<TFormFlashenCSD> flashenCsd;
};
