#pragma once
// The text label widget (ui/widgets/kvtext.h).

#include "ui/widgets/kvtext.h"
