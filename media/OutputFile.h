// The rules every file the program writes follows live in the platform
// layer, as the calls that carry them out differ between systems.
#pragma once

#include "platform/OutputFile.h"
