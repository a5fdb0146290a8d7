// --skin NAME: a skin by the name its item shows in the skin menu (of either
// platform, in any case), or a skin file (.lumetto) of its own.
#pragma once

#include <optional>
#include <string>

class CSkinCatalog;

struct SSkinOption {
    int nPlatform = 0;
    // The skin as the remembered choices name it: its bitmap's path, or
    // "builtin" for the platform's built-in skin.
    std::string strKey;
    // The skin file given, to be added to the platform's skins; empty for a
    // skin of the menu.
    std::string strFile;
};

// The key the remembered choices keep for a built-in skin.
extern const char kBuiltinSkinKey[];

// Looks the skin up in the catalog's folders (the catalog is rebuilt). A
// name no skin has and that is no usable skin file: nothing, with the reason
// in strError.
std::optional<SSkinOption> FindSkinOption(CSkinCatalog& catalog, const std::string& strSkin,
                                          std::string& strError);
