#include "media/Mp4Writer.h"

#include "media/MovieGeometry.h"
#include "platform/OutputFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

namespace lumetto {

namespace {

constexpr AVRational kTimeBase{1, 1000}; // milliseconds
// The frame rate announced to the encoder, which only picks the H.264 level
// from it (phones refuse levels beyond their decoder); pictures come at any
// time stamp.
constexpr AVRational kNominalRate{30, 1};
constexpr int kIoBufferSize = 1 << 16;

// FFmpeg's messages reach standard error only when they are errors, marked
// as the program's own.
void LogErrors(void* pAvClass, int nLevel, const char* pFormat, va_list args) {
    if (nLevel > AV_LOG_ERROR)
        return;
    char line[1024];
    int nPrefix = 1;
    av_log_format_line2(pAvClass, nLevel, pFormat, args, line, sizeof line, &nPrefix);
    const std::size_t n = std::strlen(line);
    std::fprintf(stderr, "lumetto: %s%s", line, n > 0 && line[n - 1] == '\n' ? "" : "\n");
}

void InstallLogFilter() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(LogErrors); });
}

std::string AvErrorText(int nAvError) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(nAvError, text, sizeof text);
    return text;
}

// Draws each pixel of the nWidth x nHeight picture as an nScale x nScale
// block at pOut, whose rows are nOutStride pixels apart.
void DrawNearest(const std::uint32_t* pIn, int nWidth, int nHeight, int nScale, std::uint32_t* pOut,
                 std::size_t nOutStride) {
    const auto width = static_cast<std::size_t>(nWidth);
    const auto scale = static_cast<std::size_t>(nScale);
    for (std::size_t y = 0; y < static_cast<std::size_t>(nHeight); ++y) {
        const std::uint32_t* pRow = pIn + y * width;
        std::uint32_t* pFirst = pOut + y * scale * nOutStride;
        std::uint32_t* p = pFirst;
        for (std::size_t x = 0; x < width; ++x)
            p = std::fill_n(p, scale, pRow[x]);
        for (std::size_t k = 1; k < scale; ++k)
            std::copy_n(pFirst, width * scale, pFirst + k * nOutStride);
    }
}

} // namespace

CMp4Writer::~CMp4Writer() {
    Discard();
}

bool CMp4Writer::Fail(std::string strError) {
    m_strError = std::move(strError);
    return false;
}

bool CMp4Writer::FailFfmpeg(const char* pWhat, int nAvError) {
    if (!m_strWriteError.empty())
        return Fail("Could not write the movie file \"" + m_strPath + "\": " + m_strWriteError +
                    ".");
    return Fail(std::string(pWhat) + ": " + AvErrorText(nAvError) + ".");
}

int CMp4Writer::WritePacket(void* pOpaque, const std::uint8_t* pBuf, int nSize) {
    auto* self = static_cast<CMp4Writer*>(pOpaque);
    if (nSize <= 0)
        return nSize;
    // The muxer never seeks: each packet goes where the last one ended.
    const OutputPiece piece{pBuf, static_cast<std::size_t>(nSize)};
    const bool bWritten =
        WriteOutputAt(self->m_hFile, self->m_nBytesWritten, &piece, 1, self->m_strWriteError);
    // Part of a packet that failed may be in the file: it counts as written,
    // so that the file is cut back to its last complete fragment.
    self->m_nBytesWritten += static_cast<std::uint64_t>(nSize);
    return bWritten ? nSize : AVERROR(EIO);
}

bool CMp4Writer::Open(int hFile, const std::string& strPath, const char* pMuxer, int nMovieWidth,
                      int nMovieHeight, int nFirstWidth, int nFirstHeight, int nFirstScale) {
    InstallLogFilter();
    Discard();
    m_hFile = hFile;
    m_strPath = strPath;
    m_bMatroska = std::strcmp(pMuxer, "matroska") == 0;
    m_nFirstWidth = nFirstWidth;
    m_nFirstHeight = nFirstHeight;
    m_nFirstScale = nFirstScale;
    // yuv420p holds chroma for 2 x 2 blocks: the sides must be even.
    m_nOutWidth = (nMovieWidth + 1) & ~1;
    m_nOutHeight = (nMovieHeight + 1) & ~1;
    m_nLastPts = m_nLastKeyPts = -1;
    m_strWriteError.clear();
    m_nBytesWritten = m_nWrittenBytes = 0;
    m_inEncoder.clear();
    m_nPendingPictures = m_nPendingPackets = m_nWrittenPictures = m_nWrittenEndPts = 0;
    m_nPlacedX = m_nPlacedY = -1;
    m_strError.clear();
    m_scaled.assign(static_cast<std::size_t>(m_nOutWidth) * static_cast<std::size_t>(m_nOutHeight),
                    0xff000000u);

    const AVCodec* pEncoder = avcodec_find_encoder_by_name("libx264");
    if (!pEncoder)
        pEncoder = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!pEncoder)
        return Fail("FFmpeg's libraries on this system have no H.264 encoder: install them with "
                    "libx264 to record MP4 movies.");
    return OpenMuxer(pMuxer) && OpenEncoder(pEncoder) && OpenConversion() && WriteHeader();
}

// The muxer, writing through our own descriptor.
bool CMp4Writer::OpenMuxer(const char* pMuxer) {
    int nResult = avformat_alloc_output_context2(&m_pFormat, nullptr, pMuxer, nullptr);
    if (nResult < 0)
        return FailFfmpeg("Could not start the MP4 writer", nResult);
    auto* pIoBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
#if LIBAVFORMAT_VERSION_MAJOR >= 61
    auto write = [](void* p, const std::uint8_t* b, int n) { return WritePacket(p, b, n); };
#else
    auto write = [](void* p, std::uint8_t* b, int n) { return WritePacket(p, b, n); };
#endif
    m_pIo = pIoBuffer
                ? avio_alloc_context(pIoBuffer, kIoBufferSize, 1, this, nullptr, write, nullptr)
                : nullptr;
    if (!m_pIo) {
        av_free(pIoBuffer);
        return FailFfmpeg("Could not start the MP4 writer", AVERROR(ENOMEM));
    }
    m_pFormat->pb = m_pIo;
    m_pFormat->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
    return true;
}

// The H.264 encoder and the frame it encodes from.
bool CMp4Writer::OpenEncoder(const AVCodec* pEncoder) {
    m_pCodec = avcodec_alloc_context3(pEncoder);
    m_pFrame = av_frame_alloc();
    m_pPacket = av_packet_alloc();
    if (!m_pCodec || !m_pFrame || !m_pPacket)
        return FailFfmpeg("Could not start the H.264 encoder", AVERROR(ENOMEM));
    m_pCodec->width = m_nOutWidth;
    m_pCodec->height = m_nOutHeight;
    m_pCodec->pix_fmt = AV_PIX_FMT_YUV420P;
    m_pCodec->time_base = kTimeBase;
    m_pCodec->framerate = kNominalRate;
    m_pCodec->gop_size = 600; // key frames come by time, see Encode
    m_pCodec->max_b_frames = 0;
    // One thread: the recorder takes at most one core, leaving the others to
    // the screen and the serial line, and the movie is the same on every
    // machine. A phone's screen is encoded far faster than it can send them.
    m_pCodec->thread_count = 1;
    m_pCodec->color_range = AVCOL_RANGE_MPEG;
    m_pCodec->colorspace = AVCOL_SPC_BT709;
    m_pCodec->color_primaries = AVCOL_PRI_BT709;
    m_pCodec->color_trc = AVCOL_TRC_IEC61966_2_1; // the phone's screen is sRGB
    if (m_pFormat->oformat->flags & AVFMT_GLOBALHEADER)
        m_pCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* pCodecOptions = nullptr;
    av_dict_set(&pCodecOptions, "preset", "veryfast", 0);
    av_dict_set(&pCodecOptions, "tune", "zerolatency", 0); // no picture held back
    av_dict_set(&pCodecOptions, "crf", "18", 0);
    av_dict_set(&pCodecOptions, "profile", "high", 0);
    av_dict_set(&pCodecOptions, "forced-idr", "1", 0); // forced key frames start a fragment
    int nResult = avcodec_open2(m_pCodec, pEncoder, &pCodecOptions);
    av_dict_free(&pCodecOptions);
    if (nResult < 0)
        return FailFfmpeg("Could not start the H.264 encoder", nResult);

    m_pFrame->format = AV_PIX_FMT_YUV420P;
    m_pFrame->width = m_nOutWidth;
    m_pFrame->height = m_nOutHeight;
    m_pFrame->color_range = m_pCodec->color_range;
    m_pFrame->colorspace = m_pCodec->colorspace;
    m_pFrame->color_primaries = m_pCodec->color_primaries;
    m_pFrame->color_trc = m_pCodec->color_trc;
    nResult = av_frame_get_buffer(m_pFrame, 0);
    if (nResult < 0)
        return FailFfmpeg("Could not start the H.264 encoder", nResult);
    return true;
}

// RGB to yuv420p.
bool CMp4Writer::OpenConversion() {
    m_pSws = sws_getContext(m_nOutWidth, m_nOutHeight, AV_PIX_FMT_RGB32, m_nOutWidth, m_nOutHeight,
                            AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr,
                            nullptr);
    if (!m_pSws)
        return FailFfmpeg("Could not start the colour conversion", AVERROR(EINVAL));
    // Full-range RGB in, limited-range BT.709 out, as the stream says.
    const int* pBt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(m_pSws, pBt709, 1, pBt709, 0, 0, 1 << 16, 1 << 16);
    return true;
}

// The video stream and the file's header.
bool CMp4Writer::WriteHeader() {
    m_pStream = avformat_new_stream(m_pFormat, nullptr);
    if (!m_pStream)
        return FailFfmpeg("Could not start the MP4 writer", AVERROR(ENOMEM));
    m_pStream->time_base = kTimeBase;
    int nResult = avcodec_parameters_from_context(m_pStream->codecpar, m_pCodec);
    if (nResult < 0)
        return FailFfmpeg("Could not start the MP4 writer", nResult);

    // Fragments: an empty moov first, then a moof + mdat per key frame (and
    // at most a second each), so the file plays whenever it is cut.
    // Matroska: a cluster per key frame, ended by WriteOut.
    AVDictionary* pMuxOptions = nullptr;
    if (m_bMatroska) {
        av_dict_set(&pMuxOptions, "cluster_time_limit", "100000", 0);
        av_dict_set(&pMuxOptions, "cluster_size_limit", "1000000000", 0);
    } else {
        av_dict_set(&pMuxOptions, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
        av_dict_set(&pMuxOptions, "frag_duration", "1000000", 0); // microseconds
        av_dict_set(&pMuxOptions, "video_track_timescale", "1000", 0);
    }
    nResult = avformat_write_header(m_pFormat, &pMuxOptions);
    av_dict_free(&pMuxOptions);
    if (nResult >= 0) {
        avio_flush(m_pIo);
        nResult = m_pIo->error;
    }
    if (nResult < 0)
        return FailFfmpeg("Could not write the movie's header", nResult);
    m_bHeaderWritten = true;
    m_nWrittenBytes = m_nBytesWritten;
    return true;
}

// Draws the picture into m_scaled where it goes in the movie.
bool CMp4Writer::Place(const std::uint32_t* pPixels, int nWidth, int nHeight) {
    Placement place = PlaceInMovie(nWidth, nHeight, m_nOutWidth, m_nOutHeight);
    if (nWidth == m_nFirstWidth && nHeight == m_nFirstHeight && m_nFirstScale > 0)
        place = Placement{0, 0, nWidth * m_nFirstScale, nHeight * m_nFirstScale, m_nFirstScale};
    const auto stride = static_cast<std::size_t>(m_nOutWidth);
    if (place.x != m_nPlacedX || place.y != m_nPlacedY || place.nWidth != m_nPlacedW ||
        place.nHeight != m_nPlacedH) {
        // Another size: black around it.
        std::fill(m_scaled.begin(), m_scaled.end(), 0xff000000u);
        m_nPlacedX = place.x;
        m_nPlacedY = place.y;
        m_nPlacedW = place.nWidth;
        m_nPlacedH = place.nHeight;
    }
    std::uint32_t* pOut = m_scaled.data() + static_cast<std::size_t>(place.y) * stride +
                          static_cast<std::size_t>(place.x);
    if (place.nScale > 0) {
        DrawNearest(pPixels, nWidth, nHeight, place.nScale, pOut, stride);
        return true;
    }
    m_pShrink =
        sws_getCachedContext(m_pShrink, nWidth, nHeight, AV_PIX_FMT_RGB32, place.nWidth,
                             place.nHeight, AV_PIX_FMT_RGB32, SWS_AREA, nullptr, nullptr, nullptr);
    if (!m_pShrink)
        return FailFfmpeg("Could not scale the picture to the movie's size", AVERROR(EINVAL));
    const auto* pSource = reinterpret_cast<const std::uint8_t*>(pPixels);
    const int nSourceStride = nWidth * 4;
    auto* pTarget = reinterpret_cast<std::uint8_t*>(pOut);
    const int nTargetStride = m_nOutWidth * 4;
    sws_scale(m_pShrink, &pSource, &nSourceStride, 0, nHeight, &pTarget, &nTargetStride);
    return true;
}

bool CMp4Writer::AddPicture(const std::uint32_t* pPixels, int nWidth, int nHeight,
                            std::int64_t nPts) {
    if (!m_bHeaderWritten)
        return Fail("No movie is being recorded.");
    if (!Place(pPixels, nWidth, nHeight))
        return false;
    // The encoder may still hold the last frame's buffers.
    const int nResult = av_frame_make_writable(m_pFrame);
    if (nResult < 0)
        return FailFfmpeg("Could not encode the movie", nResult);
    const auto* pSource = reinterpret_cast<const std::uint8_t*>(m_scaled.data());
    const int nSourceStride = m_nOutWidth * 4;
    sws_scale(m_pSws, &pSource, &nSourceStride, 0, m_nOutHeight, m_pFrame->data,
              m_pFrame->linesize);
    return EncodeAt(nPts, true);
}

bool CMp4Writer::RepeatPicture(std::int64_t nPts) {
    return EncodeAt(nPts, false);
}

bool CMp4Writer::EncodeAt(std::int64_t nPts, bool bNewPicture) {
    if (!m_bHeaderWritten)
        return Fail("No movie is being recorded.");
    if (nPts <= m_nLastPts)
        nPts = m_nLastPts + 1;
    const bool bKey = m_nLastKeyPts < 0 || nPts - m_nLastKeyPts >= kMp4KeyPeriodMs;
    m_pFrame->pts = nPts;
    m_pFrame->pict_type = bKey ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (bKey)
        m_nLastKeyPts = nPts;
    m_nLastPts = nPts;
    m_inEncoder.emplace_back(nPts, bNewPicture);
    return Encode(m_pFrame);
}

bool CMp4Writer::Encode(AVFrame* pFrame) {
    int nResult = avcodec_send_frame(m_pCodec, pFrame);
    if (nResult < 0)
        return FailFfmpeg("Could not encode the movie", nResult);
    for (;;) {
        nResult = avcodec_receive_packet(m_pCodec, m_pPacket);
        if (nResult == AVERROR(EAGAIN) || nResult == AVERROR_EOF)
            return true;
        if (nResult < 0)
            return FailFfmpeg("Could not encode the movie", nResult);
        if (!WriteOut(m_pPacket))
            return false;
    }
}

bool CMp4Writer::WriteOut(AVPacket* pPacket) {
    const std::int64_t nPts = pPacket->pts;
    bool bNewPicture = false;
    while (!m_inEncoder.empty() && m_inEncoder.front().first <= nPts) {
        bNewPicture = m_inEncoder.front().first == nPts && m_inEncoder.front().second;
        m_inEncoder.pop_front();
    }
    const bool bKey = (pPacket->flags & AV_PKT_FLAG_KEY) != 0;
    int nResult = 0;
    // A key frame starts a new fragment; Matroska's cluster is ended here
    // (the MP4 muxer ends its fragment itself, knowing the last sample's
    // duration from this packet).
    if (bKey && m_bMatroska && m_nPendingPackets > 0) {
        nResult = av_write_frame(m_pFormat, nullptr);
        if (nResult >= 0)
            nResult = m_pIo->error;
        if (nResult < 0) {
            av_packet_unref(pPacket);
            return FailFfmpeg("Could not write the movie", nResult);
        }
    }
    // Each sample lasts until the next one; the muxer takes that from the
    // next time stamp, and this duration only for the very last sample.
    pPacket->duration = 1;
    av_packet_rescale_ts(pPacket, kTimeBase, m_pStream->time_base);
    pPacket->stream_index = m_pStream->index;
    nResult = av_write_frame(m_pFormat, pPacket);
    av_packet_unref(pPacket);
    if (nResult >= 0)
        nResult = m_pIo->error;
    if (nResult < 0)
        return FailFfmpeg("Could not write the movie", nResult);
    if (bKey) {
        // Everything before this key frame is in the file now.
        m_nWrittenPictures += m_nPendingPictures;
        m_nWrittenEndPts = nPts;
        m_nWrittenBytes = m_nBytesWritten;
        m_nPendingPictures = m_nPendingPackets = 0;
    }
    m_nPendingPictures += bNewPicture ? 1 : 0;
    ++m_nPendingPackets;
    return true;
}

bool CMp4Writer::Finish(std::int64_t nEndPts) {
    bool bOk = m_bHeaderWritten;
    if (bOk && HasPicture() && nEndPts - m_nLastPts >= 2)
        bOk = RepeatPicture(nEndPts - 1); // the last picture lasts up to the end
    if (bOk)
        bOk = Encode(nullptr);
    if (bOk) {
        const int nResult = av_write_trailer(m_pFormat);
        avio_flush(m_pIo);
        if (nResult < 0 || m_pIo->error < 0)
            bOk = FailFfmpeg("Could not finish the movie", nResult < 0 ? nResult : m_pIo->error);
    }
    if (bOk) {
        m_nWrittenPictures += m_nPendingPictures;
        m_nWrittenEndPts = std::max(m_nLastPts, nEndPts);
        m_nWrittenBytes = m_nBytesWritten;
        m_nPendingPictures = m_nPendingPackets = 0;
    } else if (m_hFile >= 0) {
        (void)TruncateOutput(m_hFile, m_nWrittenBytes);
    }
    m_bHeaderWritten = false;
    Free();
    if (!CloseFile() && bOk)
        bOk = false;
    return bOk;
}

void CMp4Writer::Discard() {
    // A fragment cut short by a failed write would end the file in the
    // middle of a sample: the file ends where its last complete one does.
    if (m_bHeaderWritten && m_hFile >= 0 && m_nBytesWritten > m_nWrittenBytes)
        (void)TruncateOutput(m_hFile, m_nWrittenBytes);
    Free();
    CloseFile();
}

bool CMp4Writer::CloseFile() {
    if (m_hFile < 0)
        return true;
    const bool bClosed = CloseOutput(m_hFile, m_strWriteError);
    m_hFile = -1;
    if (!bClosed)
        return FailFfmpeg("", 0);
    return true;
}

void CMp4Writer::Free() {
    sws_freeContext(m_pSws);
    m_pSws = nullptr;
    sws_freeContext(m_pShrink);
    m_pShrink = nullptr;
    av_packet_free(&m_pPacket);
    av_frame_free(&m_pFrame);
    avcodec_free_context(&m_pCodec);
    if (m_pFormat) {
        m_pFormat->pb = nullptr;
        avformat_free_context(m_pFormat);
        m_pFormat = nullptr;
    }
    m_pStream = nullptr;
    if (m_pIo) {
        av_freep(&m_pIo->buffer);
        avio_context_free(&m_pIo);
    }
    m_bHeaderWritten = false;
}

} // namespace lumetto
