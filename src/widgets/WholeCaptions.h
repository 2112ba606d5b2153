#pragma once

class QWidget;

// Gives every push button under root at least the width its caption needs
// in its own font, so that a layout that runs short of room shrinks the
// buttons with short captions first and never cuts a caption.
void KeepCaptionsWhole(QWidget* root);
