#pragma once

#include <QIcon>

// The program's icon: drawn from its SVG at any size (sharp on scaled screens),
// the PNG where the toolkit has no SVG support.
QIcon AppIcon();
