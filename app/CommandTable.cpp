#include "app/CommandTable.h"

#include "res/ResourceIds.h"

const CommandRow* FindCommand(int nCommandId) {
    if (nCommandId == kSeparator || nCommandId == kSkinSubmenu)
        return nullptr;
    for (const CommandRow& row : CommandTable())
        if (row.nCommandId == nCommandId)
            return &row;
    return nullptr;
}

CommandUi CommandState(int nCommandId, const UiState& state) {
    if (const CommandRow* pRow = FindCommand(nCommandId))
        return pRow->rule(state);
    if (nCommandId >= ID_SKIN_FIRST && nCommandId <= ID_SKIN_LAST)
        return {nCommandId - ID_SKIN_FIRST != state.nCurrentSkin, false};
    return {};
}
