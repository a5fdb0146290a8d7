// One movie being recorded. Its format follows the file name's extension
// (media/MovieFormat.h): ".mp4", ".mkv" and ".mov" give an H.264 movie that
// takes every picture the moment it is shown (CMp4Recorder, through the video
// encoder module, media/MovieEncoder.h, loaded when the first one starts); ".avi" (or no
// extension) gives the AVI of 5 frames a second that the view's 200 ms timer
// samples (CAviRecorder).
//
// An encoded movie keeps the size it started with: a screen of another size
// is placed in it, centred on black (PlaceInMovie). It may show the phone in
// its skin: the skin picture and the screen's rectangle in it are taken when
// the movie starts and kept for the whole movie; each picture is the skin
// with the screen stretched into that rectangle, as the window shows it, and
// the whole is drawn at one whole scale factor (shrunk smoothly when even
// factor 1 is too large for the encoder). UI thread only.
#pragma once

#include "app/MovieReport.h"
#include "display/PictureGeometry.h"

#include <QImage>

#include <memory>
#include <string>

class CScreenDib;
namespace lumetto {
class CAviRecorder;
class IMovieEncoder;
} // namespace lumetto

class CMovieRecording {
public:
    // The phone's skin for an MP4 movie; a null image: the screen alone.
    struct Skin {
        QImage image;
        SRect rcScreen; // in skin pixels, right and bottom exclusive
    };

    CMovieRecording();
    // Finishes a movie still open, as Close does.
    ~CMovieRecording();
    CMovieRecording(const CMovieRecording&) = delete;
    CMovieRecording& operator=(const CMovieRecording&) = delete;

    // Creates the movie strPath for pictures of the held screen's size. An
    // encoded movie takes the picture shown now as its first frame; nScale is
    // its factor (1..8), 0 for the smallest that makes it at least 720 pixels
    // tall (less where the encoder's limits ask for it). False with
    // GetLastError saying why; no file is left then.
    bool Open(const std::string& strPath, const CScreenDib& screen, int nScale, const Skin& skin);

    // An H.264 movie through FFmpeg (MP4, MKV, MOV), which takes every
    // picture of any size; else an AVI.
    bool IsEncoded() const { return m_pMp4 != nullptr; }
    // "AVI", "MP4", "MKV", "MOV".
    const char* FormatName() const;
    // The screen size the movie was opened for (an AVI's frame size).
    int ScreenWidth() const { return m_nWidth; }
    int ScreenHeight() const { return m_nHeight; }

    // AVI: one frame of the 200 ms timer. False when it could not be written.
    bool WriteTimerFrame(const CScreenDib& screen);
    // Encoded: the picture shown now, whose rows [nFirst, nEnd) (top row 0)
    // changed since the last call (all of them when its size changed).
    // False when the encoder has failed.
    bool AddPicture(const CScreenDib& screen, int nFirst, int nEnd);

    // Finishes the movie and says what it holds. A movie without any frame is
    // removed when bRemoveEmpty is set.
    MovieSummary Close(bool bRemoveEmpty);

    long long FrameCount() const;
    std::string GetLastError() const;
    const lumetto::CAviRecorder* Avi() const { return m_pAvi.get(); }

private:
    const QImage& Picture();

    std::string m_strPath;
    std::string m_strOpenError;
    const char* m_pFormatName = "AVI";
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::unique_ptr<lumetto::CAviRecorder> m_pAvi;
    std::unique_ptr<lumetto::IMovieEncoder> m_pMp4; // from the video encoder module
    QImage m_screen;                                // MP4: the screen, top row first, 32 bits
    bool m_bHasPicture = false;                     // MP4: a picture went to the recorder
    Skin m_skin;        // MP4 with the skin: the skin, and where the screen goes
    QImage m_composite; // MP4 with the skin: the picture of each frame
};
