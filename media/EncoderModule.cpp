// The video encoder module's entry points (media/MovieEncoder.h): the
// program finds them with dlsym.
#include "media/MovieEncoder.h"
#include "media/Mp4Recorder.h"

extern "C" {

__attribute__((visibility("default"))) int lumetto_movie_encoder_interface() {
    return lumetto::kMovieEncoderInterface;
}

__attribute__((visibility("default"))) lumetto::IMovieEncoder* lumetto_create_movie_encoder() {
    return new lumetto::CMp4Recorder();
}

} // extern "C"
