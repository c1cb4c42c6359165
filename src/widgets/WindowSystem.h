#pragma once

class QWidget;

// What the window system lets the player do with its windows. On Wayland the compositor alone
// places and stacks the surfaces: a program can neither learn nor choose where a window stands, nor
// keep one above the others, nor learn that its window was minimised; it can only name the window a
// side window belongs to, so that the compositor opens it over that one. On X11 the player places,
// stacks and follows its windows itself.
bool CompositorPlacesWindows();

// Makes `side` belong to `owner` where only that tells the compositor to open it over the owner;
// elsewhere the side window stays a window of its own, as the window managers there expect. The
// owner must outlive the side window or delete it.
void OpenOver(QWidget& side, QWidget& owner);
