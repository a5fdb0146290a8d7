// The string table: the program's own texts by id.
#pragma once

#include <string>

// The text of string `id`, or an empty string when the table has none.
const char* LoadStringResource(int id);

// True when the table holds string `id`.
bool HasStringResource(int id);

// Formats a string with one "%s" placeholder (61401, 61403) with `arg`. Other
// '%' sequences are kept as they are.
std::string FormatStringResource(int id, const std::string& arg);
