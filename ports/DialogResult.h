// The results a modal dialog ends with.
#pragma once

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
