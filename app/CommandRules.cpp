#include "app/CommandRules.h"

#include "res/ResourceIds.h"

CommandUi CommandState(int nCommandId, const UiState& s) {
    switch (nCommandId) {
    case ID_FILE_OPEN_CONNECTION:
        return {!s.bPortOpen, false};
    case ID_FILE_CLOSE_CONNECTION:
        return {s.bPortOpen || s.bReconnecting, false};
    case ID_FILE_RECORD_MOVIE:
        return {s.bLivePicture && !s.bRecording, false};
    case ID_FILE_STOP_RECORDING:
        return {s.bRecording, false};
    case ID_FILE_CAPTURE_SCREEN:
    case ID_FILE_COPY_SCREEN:
    case ID_FILE_QUICK_CAPTURE:
        return {s.bLivePicture, false};
    case ID_FILE_MOVIES_WITH_SKIN:
        return {true, s.bMoviesWithSkin};
    case ID_VIEW_ZOOM:
        return {true, s.nZoom != 1};
    case ID_VIEW_PRESENTATION:
        return {true, s.bPresentation};
    case ID_VIEW_FILL_SCREEN:
        return {true, s.bFillScreen};
    case ID_VIEW_STAY_ON_TOP:
        return {true, s.bStayOnTop};
    case ID_APP_ABOUT:
    case ID_APP_EXIT:
        return {true, false};
    default:
        break;
    }
    if (nCommandId >= ID_SKIN_FIRST && nCommandId <= ID_SKIN_LAST)
        return {nCommandId - ID_SKIN_FIRST != s.nCurrentSkin, false};
    return {};
}
