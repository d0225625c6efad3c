#pragma once

class QLabel;
class QWidget;

namespace vo {

// Makes the label the field's buddy and gives the field the label's words as its accessible
// name, so a screen reader announces "Site URL:" on entering the box.
void bindLabel(QLabel *label, QWidget *field);

// An icon-only button is announced by its hint.
void nameByHint(QWidget *button);

// A plain top-level widget would be announced as a "filler"; from the first call on, every
// such window is announced as what it is, a frame.
void announcePlainWindowsAsFrames();

} // namespace vo
