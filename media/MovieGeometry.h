// The sizes of an encoded movie and where each picture goes in it. H.264 in
// yuv420p needs even sides; the encoder and the players take pictures up to
// kMovieMaxSide on a side and kMovieMaxPixels in all (H.264 level 5.1, which
// every desktop player decodes). A picture is drawn at a whole factor (each
// phone pixel a sharp block) wherever one fits, and shrunk smoothly only when
// even factor 1 does not.
#pragma once

namespace lumetto {

constexpr int kMovieMaxSide = 4096;
constexpr long long kMovieMaxPixels = 4096LL * 2304;

// The factor the user may ask for at most.
constexpr int kMp4MaxScale = 8;

// The smallest whole factor that makes a screen nScreenHeight pixels tall at
// least 720 pixels tall (S60 208 -> 4, UIQ 320 -> 3); at least 1 (and at
// most kMp4MaxScale).
int Mp4ScaleForHeight(int nScreenHeight);

struct MovieSize {
    int nWidth = 0, nHeight = 0; // even, within the limits above
    int nScale = 0;              // the factor of the first picture; 0: shrunk smoothly
};

// The movie for a first picture of nWidth x nHeight (each at least 1) at
// factor nScale (0: Mp4ScaleForHeight): the largest factor up to nScale that
// keeps the movie within the limits, the sides rounded up to even numbers;
// when not even factor 1 fits, the picture shrunk smoothly to fit, its
// shape kept, the sides rounded down to even numbers.
MovieSize MovieSizeFor(int nWidth, int nHeight, int nScale);

struct Placement {
    int x = 0, y = 0;            // top left corner in the movie
    int nWidth = 0, nHeight = 0; // the picture's size in the movie
    int nScale = 0;              // whole factor; 0: shrunk smoothly to nWidth x nHeight
};

// Where a picture of nWidth x nHeight goes in a movie of nMovieWidth x
// nMovieHeight: at the largest whole factor that fits, centred (any odd
// pixel of the margin to the right and bottom); shrunk smoothly, its shape
// kept, when it is larger than the movie.
Placement PlaceInMovie(int nWidth, int nHeight, int nMovieWidth, int nMovieHeight);

} // namespace lumetto
