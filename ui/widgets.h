#pragma once
// The widgets of the game screen that the game object's message panel and scores list set up.

#include "ui/widgets/kvmltext.h"
#include "ui/widgets/kvselection.h"
#include "ui/widgets/kvstatic.h"
