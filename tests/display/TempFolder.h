// The display tests' temporary folders are the shared ones.
#pragma once

#include "tests/support/TempFolder.h"
