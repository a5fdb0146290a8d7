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
    // Zoom 200% is always there (with scroll bars where it does not fit);
    // a larger step only when the window fits the screen.
    case ID_VIEW_ZOOM:
        return {true, s.nZoom == 2};
    case ID_VIEW_ZOOM_300:
    case ID_VIEW_ZOOM_400: {
        const int zoom = nCommandId == ID_VIEW_ZOOM_300 ? 3 : 4;
        return {s.nZoom == zoom || zoom <= s.nFitZoom, s.nZoom == zoom};
    }
    case ID_VIEW_ZOOM_IN:
        return {s.nZoom < 2 || (s.nZoom < 4 && s.nZoom + 1 <= s.nFitZoom), false};
    case ID_VIEW_ZOOM_OUT:
        return {s.nZoom > 1, false};
    case ID_VIEW_RECORDING_INDICATOR:
        return {true, s.bRecordingIndicator};
    case ID_VIEW_PRESENTATION:
        return {true, s.bPresentation};
    case ID_VIEW_FILL_SCREEN:
        return {true, s.bFillScreen};
    case ID_VIEW_STAY_ON_TOP:
        return {true, s.bStayOnTop};
    case ID_HELP_SHORTCUTS:
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
