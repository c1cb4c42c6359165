#pragma once
class QWidget;

// Schedules a repaint of `window` and of every widget on it (not of other windows it owns). Updating
// the window alone would not do: the toolkit leaves out the children that cover their whole area,
// taking its stored copy of them for current.
void RepaintWithChildren(QWidget& window);
