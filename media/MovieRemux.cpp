#include "media/MovieRemux.h"

#include "platform/OutputFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

#include <cstring>

namespace lumetto {

namespace {

std::string AvErrorText(int nAvError) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(nAvError, text, sizeof text);
    return text;
}

struct InputCloser {
    AVFormatContext* p = nullptr;
    ~InputCloser() { avformat_close_input(&p); }
};

struct OutputCloser {
    AVFormatContext* p = nullptr;
    ~OutputCloser() {
        if (p)
            avio_closep(&p->pb);
        avformat_free_context(p);
    }
};

struct PacketFree {
    AVPacket* p = av_packet_alloc();
    ~PacketFree() { av_packet_free(&p); }
};

// Copies every packet of input into a new file strTemporary of pMuxer.
int Copy(AVFormatContext* pInput, const char* pMuxer, const std::string& strTemporary) {
    OutputCloser output;
    int nResult = avformat_alloc_output_context2(&output.p, nullptr, pMuxer, strTemporary.c_str());
    if (nResult < 0)
        return nResult;
    for (unsigned i = 0; i < pInput->nb_streams; ++i) {
        AVStream* pStream = avformat_new_stream(output.p, nullptr);
        if (!pStream)
            return AVERROR(ENOMEM);
        nResult = avcodec_parameters_copy(pStream->codecpar, pInput->streams[i]->codecpar);
        if (nResult < 0)
            return nResult;
        pStream->codecpar->codec_tag = 0;
        pStream->time_base = pInput->streams[i]->time_base;
    }
    // Opened by name: faststart reads the file back to move the index. The
    // "file:" protocol, so that no part of the name is taken for another.
    nResult = avio_open(&output.p->pb, ("file:" + strTemporary).c_str(), AVIO_FLAG_WRITE);
    if (nResult < 0)
        return nResult;
    AVDictionary* pOptions = nullptr;
    if (std::strcmp(pMuxer, "matroska") != 0) {
        av_dict_set(&pOptions, "movflags", "+faststart", 0);
        av_dict_set(&pOptions, "video_track_timescale", "1000", 0);
    }
    nResult = avformat_write_header(output.p, &pOptions);
    av_dict_free(&pOptions);
    if (nResult < 0)
        return nResult;
    PacketFree packet;
    if (!packet.p)
        return AVERROR(ENOMEM);
    while ((nResult = av_read_frame(pInput, packet.p)) >= 0) {
        const int nStream = packet.p->stream_index;
        if (nStream < 0 || static_cast<unsigned>(nStream) >= output.p->nb_streams) {
            av_packet_unref(packet.p);
            continue;
        }
        av_packet_rescale_ts(packet.p, pInput->streams[nStream]->time_base,
                             output.p->streams[nStream]->time_base);
        packet.p->pos = -1;
        nResult = av_write_frame(output.p, packet.p);
        av_packet_unref(packet.p);
        if (nResult < 0)
            return nResult;
    }
    if (nResult != AVERROR_EOF)
        return nResult;
    nResult = av_write_trailer(output.p);
    if (nResult >= 0)
        nResult = avio_closep(&output.p->pb);
    return nResult;
}

} // namespace

bool RemuxFinishedMovie(const std::string& strPath, const char* pMuxer, std::string& strError) {
    // Read where the movie was written, and only from a regular file: the
    // "file:" protocol, so that no part of the name is taken for another.
    std::string strTarget;
    if (!ResolveOutputTarget(strPath, strTarget, strError))
        return false;
    InputCloser input;
    int nResult = avformat_open_input(&input.p, ("file:" + strTarget).c_str(), nullptr, nullptr);
    if (nResult < 0) {
        strError =
            "Could not read the movie \"" + strPath + "\" back: " + AvErrorText(nResult) + ".";
        return false;
    }
    return WriteFileReplacing(
        strPath,
        [&](int, const std::string& strTemporary, std::string& strWriteError) {
            const int nCopy = Copy(input.p, pMuxer, strTemporary);
            if (nCopy < 0)
                strWriteError = "Could not rewrite the movie \"" + strPath +
                                "\" with its index at the front: " + AvErrorText(nCopy) + ".";
            return nCopy >= 0;
        },
        strError);
}

} // namespace lumetto
