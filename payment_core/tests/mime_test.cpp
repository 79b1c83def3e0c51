#include "payment_core/tests/core_test.h"

#if !PAYMENT_CORE_CHECKOUT
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "payment_core/mime_message.h"
#include "payment_core/mime_stream.h"

using namespace payment_core;

namespace {

std::string stateDir() { return std::getenv("PLATFORM_STATE_DIR"); }

std::string field(MimeMessage& m, int i, MimePartField f) {
    const char* text = nullptr;
    EXPECT_EQ(m.getPartField(i, f, &text), 0);
    return text ? text : "";
}

std::string data(MimeMessage& m, int i) {
    InlineString99 out;
    EXPECT_EQ(m.getPartData(i, out), 0) << str(m.lastError);
    return str(out);
}

std::string allBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    return bytes + bytes;
}

struct PartCase {
    const char* encoding;
    std::string bytes;
};

// One part per transfer encoding, each with bytes that encoding has to carry.
const PartCase kParts[] = {
    {"7bit", "plain text\r\nline two"},
    {"quoted-printable", "caf\xE9 = ok \nlast blank \nCR\r" + std::string(90, 'q') + "\t"},
    {"base64", allBytes()},
    {"8bit", "h\xC3\xA9llo\r\nw\xC3\xB6rld"},
    {"binary", allBytes().substr(0, 300)},
};

void fill(MimeMessage& m) {
    const int count = static_cast<int>(std::size(kParts));
    ASSERT_EQ(m.setPartCount(count), 0);
    for (int i = 0; i < count; ++i) {
        const PartCase& c = kParts[i];
        ASSERT_EQ(m.setPartEncoding(i, c.encoding), 0);
        ASSERT_EQ(m.setPartData(i, c.bytes.data(), static_cast<int>(c.bytes.size())), 0);
    }
    m.setPartField(2, MimePartField::ContentType, "application/octet-stream");
    m.setPartField(2, MimePartField::Name, "all.bin");
    m.setPartField(2, MimePartField::ContentDisposition, "attachment");
    m.setPartField(2, MimePartField::FileName, "all; of it.bin");
    m.setPartField(2, MimePartField::ContentId, "<part2@test>");
}

void expectParts(MimeMessage& m) {
    ASSERT_EQ(m.partCount(), static_cast<int>(std::size(kParts)));
    for (int i = 0; i < m.partCount(); ++i) {
        EXPECT_EQ(data(m, i), kParts[i].bytes) << kParts[i].encoding;
        EXPECT_EQ(field(m, i, MimePartField::Encoding), std::string(kParts[i].encoding) + "\r\n");
        EXPECT_EQ(m.part(i)->size, static_cast<int>(kParts[i].bytes.size()));
    }
    EXPECT_EQ(field(m, 2, MimePartField::ContentType), "application/octet-stream");
    EXPECT_EQ(field(m, 2, MimePartField::Name), "all.bin");
    EXPECT_EQ(field(m, 2, MimePartField::FileName), "all; of it.bin");
    EXPECT_EQ(field(m, 2, MimePartField::ContentDisposition), "attachment");
    EXPECT_EQ(field(m, 2, MimePartField::ContentId), "<part2@test>");
}

class ProgressMessage : public MimeMessage {
public:
    void onProgress(int percent) override {
        steps.push_back(percent);
        if (nestedAction >= 0) nested = process(nestedAction);
    }
    std::vector<int> steps;
    int nestedAction = -1;
    int nested = -1;
};

}  // namespace

CORE_TEST(MimeMessage, EveryTransferEncodingSurvivesARoundTripInMemoryAndThroughFiles) {
    ProgressMessage m;
    fill(m);
    ASSERT_EQ(m.process(4), 0) << str(m.lastError);
    EXPECT_EQ(m.steps, (std::vector<int>{20, 40, 60, 80, 100, 100}));
    const std::string body = str(m.message);
    // Nothing but the binary parts' own bytes leaves the 7-bit range.
    EXPECT_EQ(body.find("caf\xE9"), std::string::npos);
    EXPECT_NE(body.find("filename=\"all; of it.bin\""), std::string::npos);

    ASSERT_EQ(m.process(2), 0) << str(m.lastError);
    expectParts(m);

    const std::string file = stateDir() + "/message.eml";
    fill(m);
    m.message.assignCString(file.c_str());
    ASSERT_EQ(m.process(3), 0) << str(m.lastError);
    MimeMessage reader;
    reader.messageHeaders.assign(static_cast<std::size_t>(m.messageHeaders.length()), m.messageHeaders.data());
    reader.message.assignCString(file.c_str());
    ASSERT_EQ(reader.process(1), 0) << str(reader.lastError);
    expectParts(reader);
}

CORE_TEST(MimeMessage, ReadsAForeignMessage) {
    const std::string text =
        "Mime-Version: 1.0\n"
        "Subject: folded\n"
        "Content-Type: multipart/mixed;\n"
        "\tboundary=\"outer; b\"\n"
        "\n"
        "preamble to skip\n"
        "--outer; b\n"
        "Content-Type: text/plain; charset=us-ascii; name=notes.txt\n"
        "Content-Transfer-Encoding: QUOTED-PRINTABLE\n"
        "\n"
        "soft=\n"
        "break =3D done\n"
        "--outer; b\r\n"
        "Content-Disposition: attachment; filename=\"a b.dat\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "\r\n"
        "AAEC\r\n"
        "/w==\r\n"
        "--outer; b\r\n"
        "X-Custom: whatever\r\n"
        "\r\n"
        "no encoding header --outer; b inside a line\r\n"
        "--outer; b--\r\n"
        "epilogue\r\n";
    MimeMessage m;
    m.message.assign(text.size(), text.data());
    ASSERT_EQ(m.process(0), 0) << str(m.lastError);
    EXPECT_EQ(str(m.boundary), "outer; b");
    EXPECT_EQ(str(m.contentType), "multipart/mixed");
    ASSERT_EQ(m.partCount(), 3);
    EXPECT_EQ(data(m, 0), "softbreak = done");
    EXPECT_EQ(field(m, 0, MimePartField::Name), "notes.txt");
    EXPECT_EQ(field(m, 0, MimePartField::ContentTypeAttributes), "charset=us-ascii");
    EXPECT_EQ(data(m, 1), std::string("\x00\x01\x02\xFF", 4));
    EXPECT_EQ(field(m, 1, MimePartField::FileName), "a b.dat");
    EXPECT_EQ(data(m, 2), "no encoding header --outer; b inside a line");
    EXPECT_EQ(field(m, 2, MimePartField::Headers), "X-Custom: whatever\r\n");
    EXPECT_EQ(m.part(2)->encoding, 0);

    const std::string single = "MIME-Version: 1.0\r\nContent-Type: text/plain\r\n"
                               "Content-Transfer-Encoding: x-unheard-of\r\n\r\nbody";
    MimeMessage one;
    one.message.assign(single.size(), single.data());
    ASSERT_EQ(one.process(2), 0);
    ASSERT_EQ(one.partCount(), 1);
    EXPECT_EQ(data(one, 0), "body");
    EXPECT_EQ(one.part(0)->encoding, 6);
}

CORE_TEST(MimeMessage, Failures) {
    struct Case {
        const char* text;
        int code;
        const char* error;
    };
    const Case cases[] = {
        {"MIME-Version: 2.0\r\nContent-Type: text/plain\r\n\r\nx", 281, "Unknown MIME type"},
        {"MIME-Version: 1.0\r\nContent-Type: multipart/mixed\r\n\r\n--x\r\n", 282, "No MIME-boundary found"},
    };
    for (const Case& c : cases) {
        MimeMessage m;
        m.message.assignCString(c.text);
        EXPECT_EQ(m.process(2), c.code) << c.text;
        EXPECT_EQ(str(m.lastError), c.error);
    }

    MimeMessage m;
    const char* text = nullptr;
    EXPECT_EQ(m.getPartField(0, MimePartField::Name, &text), 280);
    EXPECT_EQ(str(m.lastError), "Invalid PartIdx");
    EXPECT_EQ(m.setPartField(-1, MimePartField::Name, "n"), 280);
    m.message.assignCString((stateDir() + "/no-such-message.eml").c_str());
    EXPECT_EQ(m.process(1), 4);
    EXPECT_EQ(str(m.lastError), "Can't open the file for read (doesn't exist?)");
    m.setPartCount(1);
    m.setPartData(0, "x", 1);
    m.message.assignCString((stateDir() + "/no-such-folder/out.eml").c_str());
    EXPECT_EQ(m.process(3), 3);
    EXPECT_EQ(str(m.lastError), "Can't create the file for write (illegal name ?)");
    m.message.assignCString(std::string(1100, 'n').c_str());
    EXPECT_EQ(m.process(1), 16);
    EXPECT_EQ(str(m.lastError), "The given filename doesn't exist");

    ProgressMessage busy;
    busy.setPartCount(1);
    busy.setPartData(0, "x", 1);
    // From the progress hook, neither another action nor a reset may run.
    for (int action : {0, 5}) {
        busy.nestedAction = action;
        EXPECT_EQ(busy.process(4), 0);
        EXPECT_EQ(busy.nested, 284) << action;
    }
    EXPECT_EQ(busy.partCount(), 1);
}

CORE_TEST(MimeMessage, PartDataInFiles) {
    const std::string folder = stateDir() + "/mime-temp";
    std::filesystem::create_directories(folder);
    const std::string source = stateDir() + "/part-source.bin";
    std::ofstream(source, std::ios::binary) << std::string("\x01\x02 from file", 12);

    MimeMessage m;
    m.setPartCount(2);
    m.setPartData(0, "inline", 6);
    m.setPartEncoding(1, "base64");
    m.setPartField(1, MimePartField::DataFile, source.c_str());
    ASSERT_EQ(m.process(4), 0) << str(m.lastError);

    // Decoded with TempFilePath, each part's bytes land in a file of their own.
    m.TempFilePath.assignCString(folder.c_str());
    ASSERT_EQ(m.process(2), 0) << str(m.lastError);
    ASSERT_EQ(m.partCount(), 2);
    EXPECT_EQ(data(m, 0), "inline");
    EXPECT_EQ(data(m, 1), std::string("\x01\x02 from file", 12));
    const std::string temp = field(m, 1, MimePartField::DataFile);
    EXPECT_EQ(temp.rfind(folder, 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(temp));
    m.process(5);
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_TRUE(std::filesystem::exists(source));
}
// Whatever allocation fails, decoding reports 200 and leaves a message that decodes again.
CORE_TEST(MimeMessage, DecodingStarvedOfMemory) {
    MimeMessage source;
    fill(source);
    ASSERT_EQ(source.process(4), 0);
    bool decoded = false;
    for (long n = 0; n < 5000 && !decoded; ++n) {
        MimeMessage m;
        m.messageHeaders.assign(static_cast<std::size_t>(source.messageHeaders.length()), source.messageHeaders.data());
        m.message.assign(static_cast<std::size_t>(source.message.length()), source.message.data());
        int result;
        {
            AllocationLimit limit(n);
            result = m.process(2);
        }
        if (result == 0) {
            expectParts(m);
            decoded = true;
        } else {
            ASSERT_EQ(result, 200) << n;
            EXPECT_EQ(str(m.lastError), "Out of memory.") << n;
        }
    }
    EXPECT_TRUE(decoded);
}
#endif
