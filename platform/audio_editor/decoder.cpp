#include "audio_editor/decoder.h"

#include "audio_editor/sample_store.h"
#include "win32/cdrom.h"

#include <memory>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace audio_editor {
namespace {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct SwrFreer {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

[[noreturn]] void fail(const std::string& path, const char* what) {
    throw EditorError("Cannot open " + path + ": " + what);
}

// Converts decoded frames of any sample format to interleaved 16-bit at the source rate, and
// follows the rare stream whose format changes midway.
class Converter {
public:
    Converter(Clip& clip, SampleStore& samples) : clip_(clip), samples_(samples) {}

    bool add(const AVFrame* frame) {
        if (!swr_ || frame->format != inFormat_ || frame->sample_rate != inRate_ ||
            av_channel_layout_compare(&frame->ch_layout, &inLayout_) != 0) {
            if (swr_ && !drain()) return false;
            if (!configure(frame)) return false;
        }
        return convert(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    }

    bool drain() { return !swr_ || convert(nullptr, 0); }

    ~Converter() { av_channel_layout_uninit(&inLayout_); }

private:
    bool configure(const AVFrame* frame) {
        if (clip_.sampleRate == 0) {
            clip_.sampleRate = frame->sample_rate;
            clip_.channels = frame->ch_layout.nb_channels;
        }
        if (clip_.sampleRate <= 0 || clip_.channels <= 0) return false;
        av_channel_layout_uninit(&inLayout_);
        if (av_channel_layout_copy(&inLayout_, &frame->ch_layout) < 0) return false;
        inFormat_ = frame->format;
        inRate_ = frame->sample_rate;
        AVChannelLayout in{};
        AVChannelLayout out{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&in, frame->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0) {
            return false;
        }
        av_channel_layout_default(&out, clip_.channels);
        SwrContext* raw = nullptr;
        int rc = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_S16, clip_.sampleRate, &in,
                                     static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        swr_.reset(raw);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        return rc >= 0 && swr_ && swr_init(swr_.get()) >= 0;
    }

    bool convert(const uint8_t** data, int count) {
        int room = swr_get_out_samples(swr_.get(), count);
        if (room < 0) return false;
        if (room == 0) return true;
        uint8_t* out = reinterpret_cast<uint8_t*>(samples_.room(static_cast<size_t>(room) * clip_.channels));
        int got = swr_convert(swr_.get(), &out, room, data, count);
        if (got < 0) return false;
        samples_.commit(static_cast<size_t>(got) * clip_.channels);
        return true;
    }

    Clip& clip_;
    SampleStore& samples_;
    std::unique_ptr<SwrContext, SwrFreer> swr_;
    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};
};

// A track file of a CD drive is the track's audio, read from the disc.
Clip readCdTrack(const std::string& path) {
    auto file = win32::cdTrackFile(path);
    if (!file) fail(path, "no audio track of a disc in the drive");
    auto samples = win32::readCdAudio(file->drive, file->track.firstSector, file->track.sectors);
    if (!samples) fail(path, "the disc could not be read");
    if (samples->empty()) fail(path, "no samples");
    return Clip{win32::kCdSampleRate, win32::kCdChannels, std::move(*samples)};
}

}  // namespace

Clip decodeFile(const std::string& path) {
    if (win32::cdDriveOf(path)) return readCdTrack(path);
    // Damaged files are an expected input; the error that matters is the one raised.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    AVFormatContext* rawFormat = nullptr;
    if (avformat_open_input(&rawFormat, path.c_str(), nullptr, nullptr) < 0) fail(path, "not a readable media file");
    std::unique_ptr<AVFormatContext, FormatCloser> format(rawFormat);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) fail(path, "not a readable media file");

    int streamIndex = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            streamIndex = static_cast<int>(i);
            break;
        }
    }
    if (streamIndex < 0) fail(path, "no audio stream");
    AVStream* stream = format->streams[streamIndex];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) fail(path, "no decoder for its audio");
    std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        fail(path, "its audio cannot be decoded");
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != streamIndex) format->streams[i]->discard = AVDISCARD_ALL;
    }

    Clip clip;
    size_t expected = 0;
    if (stream->duration > 0 && stream->codecpar->sample_rate > 0 && stream->codecpar->ch_layout.nb_channels > 0) {
        int64_t frames = av_rescale_q(stream->duration, stream->time_base, AVRational{1, stream->codecpar->sample_rate});
        if (frames > 0 && frames < kMaxFrames) {
            expected = static_cast<size_t>(frames) * stream->codecpar->ch_layout.nb_channels;
        }
    }
    SampleStore samples(expected);
    Converter converter(clip, samples);
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (!packet || !frame) fail(path, "out of memory");

    auto receive = [&]() {
        for (;;) {
            int rc = avcodec_receive_frame(decoder.get(), frame.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
            if (rc < 0) fail(path, "its audio cannot be decoded");
            bool ok = converter.add(frame.get());
            av_frame_unref(frame.get());
            if (!ok) fail(path, "its audio cannot be converted");
            if (static_cast<int64_t>(samples.size() / clip.channels) > kMaxFrames) fail(path, "the clip is too long");
        }
    };
    for (;;) {
        int rc = av_read_frame(format.get(), packet.get());
        if (rc == AVERROR_EOF) break;
        // A damaged stretch ends reading; what was decoded before it is kept.
        if (rc < 0) break;
        if (packet->stream_index == streamIndex) {
            // Packets the decoder rejects are skipped, as players do.
            if (avcodec_send_packet(decoder.get(), packet.get()) >= 0) receive();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    receive();
    if (!converter.drain()) fail(path, "its audio cannot be converted");
    if (samples.size() == 0) fail(path, "no audio could be decoded");
    clip.samples = samples.take();
    return clip;
}

}  // namespace audio_editor
