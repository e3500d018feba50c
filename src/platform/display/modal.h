// Where the program's dialogs open: centred over the main window, whose 800 x 600 form sits
// at its centre, and above it. A Wayland compositor places separate windows by its own rule
// (weston in a corner) and may lift its panels over a full-screen window that lost the focus;
// there a dialog runs inside the main window instead, over a shield that keeps the clicks
// from what lies beneath.
#pragma once

class QDialog;
class QWidget;

namespace galimo {

// The main window on show, or nullptr.
QWidget* MainWindow();

// Moves a dialog to the centre of its owner: the main window's area for a window of its own,
// the parent's for one inside the main window.
void CentreOverOwner(QWidget& dialog);

// Runs a dialog modally where it belongs, and returns its result.
int ExecModal(QDialog& dialog);

}  // namespace galimo
