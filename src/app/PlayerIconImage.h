#pragma once
#include <QIcon>

// The player's own icon for the notification area: a rounded grey tile with a blue play mark,
// drawn at the sizes a panel asks for.
QIcon PlayerIconImage();
