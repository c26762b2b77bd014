#pragma once

#include <QIcon>

// The program's icon at the sizes docks and title bars ask for: below 32
// pixels a simpler drawing made for its grid, the full one above.
QIcon applicationIcon();
