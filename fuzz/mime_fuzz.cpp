// The MIME message of the card control's core: any message text decodes into parts or stops
// with a MIME error, and parts encoded with any transfer encoding their bytes allow, one or
// several, decode back into the same number of parts with the same bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "payment_core/mime_message.h"

using namespace payment_core;

namespace {

std::string partData(MimeMessage& m, int i) {
    InlineString99 out;
    FUZZ_CHECK(m.getPartData(i, out) == 0);
    return std::string(out.data(), static_cast<std::size_t>(out.length()));
}

// Bytes a 7bit part carries unchanged through a memory message: printable ASCII on one line.
std::string sevenBit(const std::string& bytes) {
    std::string out;
    for (char c : bytes)
        if (c >= 0x20 && c < 0x7F) out.push_back(c);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    MimeMessage m;
    if (in.ConsumeBool()) {
        const std::string text = in.ConsumeRemainingBytesAsString();
        FUZZ_CHECK(m.message.assign(text.size(), text.data()) == 0);
        (void)m.process(2);
        for (int i = 0; i < m.partCount(); ++i) (void)partData(m, i);
        return 0;
    }
    const int count = in.ConsumeIntegralInRange(1, 4);
    m.forceMultipart = in.ConsumeBool();
    FUZZ_CHECK(m.setPartCount(count) == 0);
    std::vector<std::string> datas;
    for (int i = 0; i < count; ++i) {
        static const char* const kEncodings[] = {"7bit", "quoted-printable", "base64"};
        const int encoding = in.ConsumeIntegralInRange(0, 2);
        std::string bytes = in.ConsumeRandomLengthString(2000);
        if (encoding == 0) bytes = sevenBit(bytes);
        FUZZ_CHECK(m.setPartContentType(i, "application/octet-stream") == 0);
        FUZZ_CHECK(m.setPartEncoding(i, kEncodings[encoding]) == 0);
        FUZZ_CHECK(m.setPartData(i, bytes.data(), static_cast<int>(bytes.size())) == 0);
        datas.push_back(bytes);
    }
    FUZZ_CHECK(m.process(4) == 0);
    FUZZ_CHECK(m.process(2) == 0);
    FUZZ_CHECK(m.partCount() == count);
    for (int i = 0; i < count; ++i) FUZZ_CHECK(partData(m, i) == datas[i]);
    return 0;
}
