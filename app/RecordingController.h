// Recording: the one owner of the movie being recorded and of the run it
// belongs to. It observes the screen model (codec/ScreenModel.h) as a sink:
// an encoded movie (MP4, MKV, MOV) takes every picture the moment it changes;
// an AVI is sampled from the model by a 200 ms timer. It keeps the time
// recorded for the "REC!" mark.
//
// An AVI has one picture size: a screen of another size ends it (MovieEnd::
// SizeChanged) once the AVI is a second old; until then, and for sizes that
// come and go faster, frames are written only while the screen has the AVI's
// size. An encoded movie takes screens of any size (CMovieRecording).
//
// A run (--record, or Record movie from the menu) goes on after the phone's
// pause, and after an AVI's size change, into the run's next numbered file
// that replaces none: StartPendingMovie starts it when a live picture is
// there. UI thread only.
#pragma once

#include "app/MovieRecording.h"
#include "app/MovieReport.h"
#include "codec/ScreenModel.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>
#include <string>

namespace lumetto {
class CAviRecorder;
}

class CRecordingController : public QObject, public IScreenSink {
public:
    // skinOf gives the phone's skin for a movie that shows it (asked when a
    // movie starts).
    CRecordingController(CScreenModel& screen, std::function<CMovieRecording::Skin()> skinOf);
    // Finishes a movie still open, telling no one.
    ~CRecordingController() override;

    // One movie of the live picture into strPath, in the format its
    // extension asks for; a movie being recorded ends first (Stopped). When
    // the movie cannot be opened the program's message is shown and false
    // returned.
    bool Start(const std::string& strPath);
    // Ends the movie being recorded (MovieEnd::Stopped); the run ends too.
    void Stop();
    // The phone paused (its closing notice, a silence, the end of the
    // connection): the movie ends (MovieEnd::Paused); a run goes on later.
    void OnPause();

    bool IsRecording() const { return m_pMovie != nullptr; }
    // Frames in the movie being recorded; the AVI being recorded, else null.
    long long RecordedFrames() const;
    const lumetto::CAviRecorder* Recorder() const;
    // "REC! m:ss": the time this movie file has been recorded; empty when none.
    std::string Mark() const;

    // A run: from the menu (the movie starts now, into strPath itself) or
    // from --record (its first movie waits for a live picture). Returns
    // whether a movie started.
    bool StartMenuRun(const std::string& strPath);
    void StartOptionRun(const std::string& strPath);
    // Starts the run's next movie when one is waiting and the picture is
    // live: true with strPath its name, or false with strPath empty when
    // nothing was waiting, else the name that could not be opened.
    bool StartPendingMovie(std::string& strPath);
    bool IsRunFromMenu() const { return m_bRunFromMenu; }
    // The run's next movie waits for the phone's picture.
    bool IsRunPending() const { return m_bRunPending; }

    // Settings for the next movie: the AVI period (200 ms; tests shorten
    // it), how old an AVI must be before a new size ends it (1000 ms), the
    // encoded movies' scale factor (0: the rule for the picture's height)
    // and whether they show the phone in its skin.
    void SetFramePeriodMs(int nMs) { m_nFramePeriodMs = nMs; }
    void SetAviSizeHoldMs(int nMs) { m_nAviSizeHoldMs = nMs; }
    void SetRecordScale(int nScale) { m_nRecordScale = nScale; }
    void SetMoviesWithSkin(bool bOn) { m_bMoviesWithSkin = bOn; }
    bool MoviesWithSkin() const { return m_bMoviesWithSkin; }

    // A movie ended, by Stop or by itself (the phone paused, its screen
    // changed size, a frame could not be written); bOfRun: it was one of the
    // run's movies. A movie that ended by itself before its first frame has
    // been removed.
    std::function<void(const MovieSummary&, MovieEnd, bool bOfRun)> onMovieEnded;
    // A movie started or ended (the mark appears or goes), and once a second
    // while one is recorded (the mark's time).
    std::function<void()> onMarkChanged;

    // IScreenSink
    void OnScreenChanged(const CScreenModel& screen, const ScreenChange& change) override;

protected:
    void timerEvent(QTimerEvent* pEvent) override;

private:
    // One frame of an AVI movie: the live picture now.
    void OnAviTimer();
    // Whether a screen of nWidth x nHeight ends the AVI being recorded now.
    bool EndsAvi(int nWidth, int nHeight) const;
    MovieSummary EndMovie(bool bRemoveEmpty);
    void EndMovieAndTell(MovieEnd eWhy);
    void Tell(const MovieSummary& s, MovieEnd eWhy);

    CScreenModel& m_screen;
    std::function<CMovieRecording::Skin()> m_skinOf;
    std::unique_ptr<CMovieRecording> m_pMovie;
    QBasicTimer m_aviTimer;
    QBasicTimer m_markTimer;       // the mark's time, once a second
    QElapsedTimer m_recordingTime; // since this movie file began
    int m_nFramePeriodMs = 200;
    int m_nAviSizeHoldMs = 1000;
    int m_nRecordScale = 0;
    bool m_bMoviesWithSkin = false;

    std::string m_strRunPath;   // the run's first name
    int m_nRunNumber = 1;       // the number of its next movie's name
    bool m_bRunPending = false; // the next live picture starts the run's next movie
    bool m_bRunMovie = false;   // the movie being recorded is one of the run
    bool m_bRunFromMenu = false;
};
