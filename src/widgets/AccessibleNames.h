#pragma once

class QWidget;

// Gives every input field under root (line edits, spin edits, combo boxes,
// check boxes without a caption) that has no accessible name of its own the
// caption of what stands for it on screen: a label whose buddy it is, the
// label or button to its left in its layout row, else its group's caption,
// else its tool tip. Where two fields of root would share a name, the
// caption of each one's group is added, so that a screen reader tells them
// apart. Every group box under root is named by its own caption (Qt would
// report a nested box under its outer box's caption). Names already set are
// kept.
void NameInputFields(QWidget* root);

class QGroupBox;
class QString;

// Changes a group box's caption and the name it is announced by with it.
void SetGroupTitle(QGroupBox* box, const QString& title);
