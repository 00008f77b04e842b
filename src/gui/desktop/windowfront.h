#pragma once

class QWidget;

// Shows a window that may be hidden, minimised or behind others: back in its
// normal state, in front, with the input focus. Raising alone leaves a
// minimised window minimised, where nothing brings it back.
void BringToFront(QWidget* window);
