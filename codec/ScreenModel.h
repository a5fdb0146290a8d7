// The phone's screen as the program holds it: one picture (the decoder's
// output, bottom row first, see ScreenDib.h), its colour format, which rows
// the last payload changed and a sequence number, and the sinks that observe
// it: the screen window (and with it presentation), the movie being
// recorded. Screenshots and the clipboard read the picture when asked.
//
// The decoder writes the picture and publishes each payload's change once;
// every sink sees every change exactly once, in order, on the decoding
// thread. A sink's call must be short: it notes rows or copies them; work
// that takes long (encoding a movie) runs behind a bounded queue on a thread
// of the sink's own, so no sink holds the decoder.
//
// The picture is "live" while it is the phone's screen being shown: from the
// first payload after a header until a pause, the end of a connection or
// another platform's idle picture hides it. A hidden picture may be kept (a
// phone that goes on after its pause is shown again where it stopped).
#pragma once

#include "codec/ScreenDib.h"

#include <cstdint>
#include <memory>
#include <vector>

class CScreenModel;

// One published change of the live picture.
struct ScreenChange {
    std::uint64_t nSequence = 0; // 1 for the model's first change, then one more each
    int nFirstRow = 0;           // picture rows [nFirstRow, nEndRow) changed, top row 0;
    int nEndRow = 0;             // empty when the payload changed no pixel
    bool bNewPicture = false;    // another size, or shown again after being hidden: all rows
};

class IScreenSink {
public:
    virtual ~IScreenSink() = default;
    // The live picture changed (called once per change, in order).
    virtual void OnScreenChanged(const CScreenModel& screen, const ScreenChange& change) = 0;
    // The live picture is hidden; its pixels may stay held for a resume.
    virtual void OnScreenHidden(const CScreenModel& /*screen*/) {}
};

class CScreenModel {
public:
    CScreenModel() = default;
    CScreenModel(const CScreenModel&) = delete;
    CScreenModel& operator=(const CScreenModel&) = delete;

    // The picture, null while none is held (before the first header, after
    // a reset that could not be resumed).
    const CScreenDib* Picture() const { return m_pPicture.get(); }
    bool HasPicture() const { return m_pPicture != nullptr; }
    // The held picture's size; 0 x 0 while none.
    int Width() const { return m_pPicture ? m_pPicture->Width() : 0; }
    int Height() const { return m_pPicture ? m_pPicture->Height() : 0; }
    // The colour format of the last header (8 or 12; -1 before any).
    int Format() const { return m_nFormat; }
    // Whether the picture is the phone's screen being shown now.
    bool IsLive() const { return m_bLive && m_pPicture; }
    // The number of changes published so far.
    std::uint64_t Sequence() const { return m_nSequence; }

    // Sinks are not owned; one added twice is called once. A sink may be
    // removed (and others added) during a call; a removed sink is not called
    // again.
    void AddSink(IScreenSink* pSink);
    void RemoveSink(IScreenSink* pSink);

    // The writer's side (the decoder). A new white picture of nWidth x
    // nHeight, replacing any; the next change is a new picture.
    CScreenDib& NewPicture(int nWidth, int nHeight);
    CScreenDib* MutablePicture() { return m_pPicture.get(); }
    // Frees the picture (hiding it first when live).
    void Clear();
    // A payload was decoded into the held picture: rows [nFirst, nEnd)
    // changed. The picture becomes live and every sink is told.
    void Publish(int nFirst, int nEnd, int nFormat);
    // The picture is no longer shown; the sinks are told when it was live.
    void Hide();

private:
    template <class Call> void Notify(Call call);

    std::unique_ptr<CScreenDib> m_pPicture;
    int m_nFormat = -1;
    bool m_bLive = false;
    bool m_bFresh = false; // the next change brings a new picture
    std::uint64_t m_nSequence = 0;
    std::vector<IScreenSink*> m_sinks; // removed ones are null while notifying
    int m_nNotifying = 0;
};
