#include "app/SkinOption.h"

#include "codec/ScreenFormat.h"
#include "display/SkinCatalog.h"

#include <algorithm>
#include <cctype>
#include <vector>

const char kBuiltinSkinKey[] = "builtin";

namespace {

// The menu items the catalog makes, by command id.
class CNames : public ISkinMenu {
public:
    void RemoveAllItems() override { items.clear(); }
    void AppendItem(int nCommandId, const std::string& strText) override {
        items.emplace_back(nCommandId, strText);
    }
    std::vector<std::pair<int, std::string>> items;
};

// The item's text as the menu shows it: '&' marks a key, "&&" is one '&'.
std::string Shown(const std::string& strText) {
    std::string out;
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '&' && i + 1 < strText.size())
            ++i;
        out += strText[i];
    }
    return out;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<SSkinOption> Chosen(const CSkinCatalog& catalog, int nCommandId) {
    const CSkinEntry* p = catalog.Skin(nCommandId - CSkinCatalog::kFirstCommand);
    if (!p)
        return std::nullopt;
    return SSkinOption{p->m_nPlatform, p->IsBuiltin() ? kBuiltinSkinKey : p->m_strBitmapPath, {}};
}

} // namespace

std::optional<SSkinOption> FindSkinOption(CSkinCatalog& catalog, const std::string& strSkin,
                                          std::string& strError) {
    CNames names;
    for (const int platform : {lumetto::kPlatformS60, lumetto::kPlatformUIQ}) {
        catalog.LoadSkinMenu(&names, platform);
        for (const auto& [id, text] : names.items)
            if (SameText(Shown(text), strSkin))
                return Chosen(catalog, id);
    }
    // A skin file: read as the folders' files are.
    catalog.ClearSkins();
    names.RemoveAllItems();
    catalog.ParseSkinFile(strSkin, &names);
    if (!names.items.empty()) {
        std::optional<SSkinOption> skin = Chosen(catalog, names.items.front().first);
        if (skin)
            skin->strFile = strSkin;
        return skin;
    }
    const std::string why = catalog.LeftOut().empty() ? "" : catalog.LeftOut().back().strReason;
    strError = "--skin \"" + strSkin + "\": no skin has that name (--list-skins lists them)" +
               (why.empty() ? std::string(", and it is no skin file.")
                            : "; as a skin file it is left out: " + why + ".");
    return std::nullopt;
}
