#include "audio_editor/mp3_encoder.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <lame/lame.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace audio_editor {
namespace {

constexpr std::array<int, 14> kMpeg1Kbps{32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 14> kMpeg2Kbps{8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr std::array<int, 3> kMpeg1Rates{32000, 44100, 48000};
constexpr std::array<int, 6> kMpeg2Rates{16000, 22050, 24000, 8000, 11025, 12000};

// Xing header (tag, flags, frames, bytes, 100-entry table, quality) and the encoder extension.
constexpr size_t kXingSize = 120;
constexpr size_t kLameExtensionSize = 36;

bool isMpeg1Rate(int rate) { return std::find(kMpeg1Rates.begin(), kMpeg1Rates.end(), rate) != kMpeg1Rates.end(); }

const std::array<int, 14>& bitrates(bool mpeg1) { return mpeg1 ? kMpeg1Kbps : kMpeg2Kbps; }

// CRC-16 with the reflected 0x8005 polynomial, as the encoder tag uses for its two checksums.
uint16_t crc16(const uint8_t* data, size_t size) {
    uint16_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

void putBe(uint8_t* at, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) at[i] = static_cast<uint8_t>(value);
}

struct LameCloser {
    void operator()(lame_global_flags* gf) const { lame_close(gf); }
};
struct SwrFreer {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

struct TagFacts {
    uint32_t frames;
    int delay;
    int padding;
    int kbps;
    int lowpassHz;
    int quality;
};

// The encoder leaves out its own tag when the tag does not fit one frame of the stream's bit rate
// (low rates such as 32 kbit/s mono). The tag frame then gets the smallest bit rate that holds
// it; decoders read it as a silent frame or as the tag, never as music.
std::vector<uint8_t> buildInfoFrame(const std::vector<uint8_t>& audio, const TagFacts& facts) {
    const uint8_t* h = audio.data();
    int versionBits = (h[1] >> 3) & 3;
    bool mpeg1 = versionBits == 3;
    bool mono = ((h[3] >> 6) & 3) == 3;
    static constexpr int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    int rate = kRates[versionBits][(h[2] >> 2) & 3];
    size_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    size_t xingAt = 4 + sideInfo;
    size_t needed = xingAt + kXingSize + kLameExtensionSize;
    const auto& table = bitrates(mpeg1);
    int index = 0;
    size_t frameSize = 0;
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        frameSize = static_cast<size_t>((mpeg1 ? 144000 : 72000) * table[i] / rate);
        if (frameSize >= needed) {
            index = i + 1;
            break;
        }
    }
    if (index == 0) throw EditorError("The MP3 tag does not fit the format");

    std::vector<uint8_t> frame(frameSize, 0);
    frame[0] = 0xFF;
    frame[1] = static_cast<uint8_t>(h[1] | 0x01);
    frame[2] = static_cast<uint8_t>((index << 4) | (h[2] & 0x0D));
    frame[3] = h[3];
    uint8_t* x = frame.data() + xingAt;
    std::memcpy(x, "Info", 4);
    putBe(x + 4, 0x0F, 4);
    putBe(x + 8, facts.frames, 4);
    uint32_t total = static_cast<uint32_t>(frame.size() + audio.size());
    putBe(x + 12, total, 4);
    // A constant bit rate makes byte position proportional to time.
    for (int i = 0; i < 100; ++i) x[16 + i] = static_cast<uint8_t>(i * 256 / 100);
    putBe(x + 116, static_cast<uint32_t>(std::clamp(facts.quality, 0, 100)), 4);

    uint8_t* e = x + kXingSize;
    std::string version = std::string("LAME") + get_lame_short_version();
    version.resize(9, ' ');
    std::memcpy(e, version.data(), 9);
    e[9] = 0x01;  // revision 0, constant bit rate
    e[10] = static_cast<uint8_t>(std::clamp((facts.lowpassHz + 50) / 100, 0, 255));
    e[20] = static_cast<uint8_t>(std::min(facts.kbps, 255));
    putBe(e + 21, (static_cast<uint32_t>(std::clamp(facts.delay, 0, 4095)) << 12) |
                      static_cast<uint32_t>(std::clamp(facts.padding, 0, 4095)), 3);
    putBe(e + 28, total, 4);
    putBe(e + 32, crc16(audio.data(), audio.size()), 2);
    putBe(e + 34, crc16(frame.data(), xingAt + kXingSize + 34), 2);
    return frame;
}

class Encoder {
public:
    explicit Encoder(const Mp3Format& format) : format_(format), gf_(lame_init()) {
        if (!gf_) throw EditorError("The MP3 encoder cannot start");
        lame_global_flags* gf = gf_.get();
        lame_set_in_samplerate(gf, format.sampleRate);
        lame_set_out_samplerate(gf, format.sampleRate);
        lame_set_num_channels(gf, format.channels);
        lame_set_mode(gf, format.channels == 1 ? MONO : JOINT_STEREO);
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, format.kbps);
        lame_set_bWriteVbrTag(gf, 1);
        lame_set_write_id3tag_automatic(gf, 0);
        if (lame_init_params(gf) < 0) throw EditorError("The MP3 encoder refuses the format");
    }

    void encode(const int16_t* pcm, int frames) {
        if (frames <= 0) return;
        size_t at = out_.size();
        out_.resize(at + static_cast<size_t>(frames) * 5 / 4 + 7200);
        int room = static_cast<int>(out_.size() - at);
        // The encoder's interface takes writable buffers but does not write to them.
        short* samples = const_cast<short*>(pcm);
        int got = format_.channels == 2 ? lame_encode_buffer_interleaved(gf_.get(), samples, frames, out_.data() + at, room)
                                        : lame_encode_buffer(gf_.get(), samples, samples, frames, out_.data() + at, room);
        if (got < 0) throw EditorError("The MP3 encoder failed");
        out_.resize(at + static_cast<size_t>(got));
    }

    std::vector<uint8_t> finish() {
        size_t at = out_.size();
        out_.resize(at + 7200);
        int got = lame_encode_flush(gf_.get(), out_.data() + at, static_cast<int>(out_.size() - at));
        if (got < 0) throw EditorError("The MP3 encoder failed");
        out_.resize(at + static_cast<size_t>(got));
        if (out_.size() < 4 || out_[0] != 0xFF) throw EditorError("The MP3 encoder produced no audio");

        size_t tagSize = lame_get_lametag_frame(gf_.get(), nullptr, 0);
        if (tagSize > 0 && tagSize <= out_.size()) {
            lame_get_lametag_frame(gf_.get(), out_.data(), tagSize);
            return std::move(out_);
        }
        TagFacts facts{static_cast<uint32_t>(lame_get_frameNum(gf_.get())), lame_get_encoder_delay(gf_.get()),
                       lame_get_encoder_padding(gf_.get()), format_.kbps, lame_get_lowpassfreq(gf_.get()),
                       100 - 10 * lame_get_VBR_q(gf_.get()) - lame_get_quality(gf_.get())};
        std::vector<uint8_t> file = buildInfoFrame(out_, facts);
        file.insert(file.end(), out_.begin(), out_.end());
        return file;
    }

private:
    Mp3Format format_;
    std::unique_ptr<lame_global_flags, LameCloser> gf_;
    std::vector<uint8_t> out_;
};

std::unique_ptr<SwrContext, SwrFreer> makeResampler(const Clip& clip, const Mp3Format& format) {
    AVChannelLayout in{};
    AVChannelLayout out{};
    av_channel_layout_default(&in, clip.channels);
    av_channel_layout_default(&out, format.channels);
    SwrContext* raw = nullptr;
    int rc = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_S16, format.sampleRate, &in, AV_SAMPLE_FMT_S16,
                                 clip.sampleRate, 0, nullptr);
    std::unique_ptr<SwrContext, SwrFreer> swr(raw);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (rc < 0 || !swr || swr_init(swr.get()) < 0) throw EditorError("The audio cannot be converted for saving");
    return swr;
}

}  // namespace

void validateFormat(const Mp3Format& format) {
    bool mpeg1 = isMpeg1Rate(format.sampleRate);
    if (!mpeg1 && std::find(kMpeg2Rates.begin(), kMpeg2Rates.end(), format.sampleRate) == kMpeg2Rates.end()) {
        throw EditorError("Unsupported MP3 sample rate " + std::to_string(format.sampleRate));
    }
    const auto& table = bitrates(mpeg1);
    if (std::find(table.begin(), table.end(), format.kbps) == table.end()) {
        throw EditorError("Unsupported MP3 bit rate " + std::to_string(format.kbps));
    }
    if (format.channels != 1 && format.channels != 2) {
        throw EditorError("Unsupported MP3 channel count " + std::to_string(format.channels));
    }
}

std::vector<uint8_t> encodeMp3(const Clip& clip, int64_t first, int64_t last, const Mp3Format& format) {
    validateFormat(format);
    first = std::clamp<int64_t>(first, 0, clip.frames());
    last = std::clamp<int64_t>(last, first, clip.frames());
    if (last == first) throw EditorError("There is no audio to save");

    Encoder encoder(format);
    constexpr int64_t kChunk = 16384;
    if (clip.sampleRate == format.sampleRate && clip.channels == format.channels) {
        for (int64_t at = first; at < last; at += kChunk) {
            encoder.encode(clip.samples.data() + at * clip.channels, static_cast<int>(std::min(kChunk, last - at)));
        }
        return encoder.finish();
    }
    auto swr = makeResampler(clip, format);
    std::vector<int16_t> converted;
    auto convert = [&](const int16_t* in, int count) {
        int room = swr_get_out_samples(swr.get(), count);
        if (room < 0) throw EditorError("The audio cannot be converted for saving");
        converted.resize(static_cast<size_t>(room) * format.channels + format.channels);
        uint8_t* out = reinterpret_cast<uint8_t*>(converted.data());
        const uint8_t* src = reinterpret_cast<const uint8_t*>(in);
        int got = swr_convert(swr.get(), &out, room, in ? &src : nullptr, count);
        if (got < 0) throw EditorError("The audio cannot be converted for saving");
        encoder.encode(converted.data(), got);
    };
    for (int64_t at = first; at < last; at += kChunk) {
        convert(clip.samples.data() + at * clip.channels, static_cast<int>(std::min(kChunk, last - at)));
    }
    convert(nullptr, 0);
    return encoder.finish();
}

namespace {

bool allDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The partial files of a target are named "<target>.part-<pid>-<n>" after the process writing
// them, which holds an exclusive lock on the file while it writes. One whose process is gone and
// that nobody holds was left by a save that was killed, and nothing else will ever take it away.
// The lock, not the name, is what tells: a writer in another PID namespace, or one whose number
// an ended process had, is still seen.
void removeAbandonedPartials(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + ".part-";
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = name.substr(prefix.size());
        const auto dash = rest.find('-');
        if (dash == std::string::npos || dash > 9 || !allDigits(rest.substr(0, dash)) || !allDigits(rest.substr(dash + 1)))
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
        // A process of another user that cannot be signalled is still alive.
        if (pid <= 0 || kill(pid, 0) == 0 || errno != ESRCH) continue;
        const int fd = openat(dirfd(dir), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held {}, named {};
        // The name may have been given to another file since it was opened.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &held) == 0 &&
            fstatat(dirfd(dir), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(held, named))
            unlinkat(dirfd(dir), name.c_str(), 0);
        close(fd);
    }
    closedir(dir);
}

}  // namespace

void writeFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes) {
    removeAbandonedPartials(path);
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
        if (fd < 0) continue;
        // Another save's clean-up may have taken the file between its making and its locking.
        struct stat held {}, named {};
        if (flock(fd, LOCK_EX) != 0 || fstat(fd, &held) != 0 || stat(temp.c_str(), &named) != 0 ||
            !sameFile(held, named)) {
            close(fd);
            fd = -1;
            errno = EEXIST;
        }
    }
    if (fd < 0) throw EditorError("Cannot write " + path + ": " + std::strerror(errno));
    size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (!error && fsync(fd) != 0) error = errno;
    // Renamed while still locked: until then the partial file is held.
    if (!error && rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (error) {
        unlink(temp.c_str());
        throw EditorError("Cannot write " + path + ": " + std::strerror(error));
    }
}

}  // namespace audio_editor
