// The command gate lives in ui/common/ now; this name keeps working for code
// that includes it from here.
#pragma once

#include "ui/common/CommandGate.h"
