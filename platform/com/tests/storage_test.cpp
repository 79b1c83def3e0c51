#include "com/olecolor.h"
#include "com/storage.h"
#include "windows/windows.h"

#include <gtest/gtest.h>

namespace {

using com::ComPtr;
using com::Variant;

TEST(Stream, WritesReadsSeeksAndClones) {
    ComPtr<IStream> s;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, s.put()), S_OK);
    ULONG n = 0;
    ASSERT_EQ(s->Write("abcdef", 6, &n), S_OK);
    EXPECT_EQ(n, 6u);
    ULARGE_INTEGER pos{};
    ASSERT_EQ(s->Seek(LARGE_INTEGER{-4}, STREAM_SEEK_CUR, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 2u);
    char buf[8] = {};
    EXPECT_EQ(s->Read(buf, 8, &n), S_FALSE);
    EXPECT_EQ(n, 4u);
    EXPECT_STREQ(buf, "cdef");
    EXPECT_EQ(s->Seek(LARGE_INTEGER{-1}, STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);

    // Writing past the end fills the gap with zeros.
    s->Seek(LARGE_INTEGER{8}, STREAM_SEEK_SET, nullptr);
    s->Write("z", 1, nullptr);
    STATSTG st;
    ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, 9u);

    ComPtr<IStream> clone;
    ASSERT_EQ(s->Clone(clone.put()), S_OK);
    clone->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
    char all[9];
    ASSERT_EQ(clone->Read(all, 9, &n), S_OK);
    EXPECT_EQ(std::string(all, 9), std::string("abcdef\0\0z", 9));

    ComPtr<IStream> other;
    CreateStreamOnHGlobal(nullptr, TRUE, other.put());
    clone->Seek(LARGE_INTEGER{1}, STREAM_SEEK_SET, nullptr);
    ULARGE_INTEGER read{}, written{};
    ASSERT_EQ(clone->CopyTo(other.get(), ULARGE_INTEGER{3}, &read, &written), S_OK);
    EXPECT_EQ(written.QuadPart, 3u);
    other->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
    char three[4] = {};
    other->Read(three, 3, nullptr);
    EXPECT_STREQ(three, "bcd");

    ComPtr<IStream> onMemory;
    int block = 0;
    EXPECT_EQ(CreateStreamOnHGlobal(&block, TRUE, onMemory.put()), E_INVALIDARG);
}

TEST(Storage, StreamsAndSubStoragesByName) {
    ComPtr<IStorage> root;
    ASSERT_EQ(com::createMemoryStorage(root.put()), S_OK);
    ComPtr<IStream> s;
    ASSERT_EQ(root->CreateStream(u"Contents", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, s.put()), S_OK);
    s->Write("1234", 4, nullptr);
    s.reset();
    EXPECT_EQ(root->CreateStream(u"contents", STGM_READWRITE, 0, 0, s.put()), STG_E_FILEALREADYEXISTS);
    ASSERT_EQ(root->OpenStream(u"CONTENTS", nullptr, STGM_READ, 0, s.put()), S_OK);
    char buf[5] = {};
    s->Read(buf, 4, nullptr);
    EXPECT_STREQ(buf, "1234");
    EXPECT_EQ(root->OpenStream(u"Missing", nullptr, STGM_READ, 0, s.put()), STG_E_FILENOTFOUND);

    ComPtr<IStorage> sub;
    ASSERT_EQ(root->CreateStorage(u"Sub", STGM_READWRITE, 0, 0, sub.put()), S_OK);
    ComPtr<IStream> inner;
    ASSERT_EQ(sub->CreateStream(u"Inner", STGM_READWRITE, 0, 0, inner.put()), S_OK);
    sub.reset();
    ASSERT_EQ(root->OpenStorage(u"sub", nullptr, STGM_READWRITE, nullptr, 0, sub.put()), S_OK);
    EXPECT_EQ(sub->OpenStream(u"Inner", nullptr, STGM_READ, 0, inner.put()), S_OK);
    EXPECT_EQ(root->OpenStream(u"Sub", nullptr, STGM_READ, 0, s.put()), STG_E_FILENOTFOUND);

    constexpr CLSID kClass = com::guid("{0A0B0C0D-1111-2222-3333-444455556666}");
    root->SetClass(kClass);
    STATSTG st;
    ASSERT_EQ(root->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.clsid, kClass);
    EXPECT_EQ(root->DestroyElement(u"Contents"), S_OK);
    EXPECT_EQ(root->DestroyElement(u"Contents"), STG_E_FILENOTFOUND);
    EXPECT_EQ(root->DestroyElement(u"Sub"), S_OK);
    // What was opened before stays usable.
    EXPECT_EQ(sub->OpenStream(u"Inner", nullptr, STGM_READ, 0, inner.put()), S_OK);
}

TEST(PropertyBag, KeepsCopiesAndConvertsOnRead) {
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(com::createPropertyBag(bag.put()), S_OK);
    Variant cx;
    cx.vt = VT_UI4;
    cx.ulVal = 2646;
    ASSERT_EQ(bag->Write(u"_cx", &cx), S_OK);
    Variant text = Variant::text("Hello");
    ASSERT_EQ(bag->Write(u"Caption", &text), S_OK);
    VariantClear(&text);

    Variant out;
    ASSERT_EQ(bag->Read(u"_CX", &out, nullptr), S_OK);
    EXPECT_EQ(out.vt, VT_UI4);
    EXPECT_EQ(out.ulVal, 2646u);
    Variant asText;
    asText.vt = VT_BSTR;
    ASSERT_EQ(bag->Read(u"_cx", &asText, nullptr), S_OK);
    EXPECT_EQ(com::view(asText.bstrVal), u"2646");
    Variant caption;
    ASSERT_EQ(bag->Read(u"caption", &caption, nullptr), S_OK);
    EXPECT_EQ(com::view(caption.bstrVal), u"Hello");
    Variant missing;
    EXPECT_EQ(bag->Read(u"_cy", &missing, nullptr), E_INVALIDARG);
}

TEST(OleColor, PlainAndSystemColours) {
    COLORREF c = 0;
    EXPECT_EQ(OleTranslateColor(0x00123456, nullptr, &c), S_OK);
    EXPECT_EQ(c, 0x00123456u);
    EXPECT_EQ(OleTranslateColor(0x80000005, nullptr, &c), S_OK);  // the window colour
    EXPECT_EQ(c, 0x00FFFFFFu);
    windows::setSysColor(15, 0x0F0F0F);
    EXPECT_EQ(OleTranslateColor(0x8000000F, nullptr, &c), S_OK);
    EXPECT_EQ(c, 0x0F0F0Fu);
    windows::resetSysColors();
    EXPECT_EQ(OleTranslateColor(0x8000000F, nullptr, &c), S_OK);
    EXPECT_EQ(c, 0x00C8D0D4u);  // the classic button face
    c = 7;
    EXPECT_EQ(OleTranslateColor(0x8000001F, nullptr, &c), E_INVALIDARG);
    EXPECT_EQ(OleTranslateColor(0x01000002, nullptr, &c), E_INVALIDARG);
    EXPECT_EQ(c, 7u);
    EXPECT_EQ(OleTranslateColor(0x80000000, nullptr, nullptr), S_OK);
}

}  // namespace
