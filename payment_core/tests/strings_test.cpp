#include <cstring>
#include <string>
#include <vector>

#include "payment_core/pointer_list.h"
#include "payment_core/string_list.h"
#include "payment_core/tests/core_test.h"

using namespace payment_core;

namespace {
std::string content(const InlineString99& s) { return std::string(s.data(), static_cast<std::size_t>(s.length())); }

template <int N>
void expectTerminated(const InlineString<N>& s) {
    EXPECT_EQ(s.data()[s.length()], '\0');
}
}  // namespace

CORE_TEST(InlineString, MovesBetweenInlineAndHeap) {
    struct Step {
        std::size_t length;
        bool inlineAfter;
        int capacityAfter;
    };
    // Growth goes to len + len/2; a block never shrinks while the content stays above N.
    const Step steps[] = {
        {0, true, 99}, {99, true, 99}, {100, false, 150}, {150, false, 150}, {151, false, 226},
        {120, false, 226}, {99, true, 99}, {5, true, 99}, {1000, false, 1500},
    };
    InlineString99 s;
    for (const Step& step : steps) {
        const std::string value(step.length, 'x');
        ASSERT_EQ(s.assign(step.length, value.data()), 0);
        EXPECT_EQ(s.isInline(), step.inlineAfter) << step.length;
        EXPECT_EQ(s.capacity(), step.capacityAfter) << step.length;
        EXPECT_EQ(content(s), value);
        expectTerminated(s);
    }
}

CORE_TEST(InlineString, InstancesKeepTheirOwnInlineLimit) {
    InlineString20 s20;
    ASSERT_EQ(s20.assign(20, "abcdefghijklmnopqrst"), 0);
    EXPECT_TRUE(s20.isInline());
    ASSERT_EQ(s20.appendChar('u'), 0);
    EXPECT_FALSE(s20.isInline());
    EXPECT_EQ(s20.capacity(), 31);
    InlineString30 s30;
    ASSERT_EQ(s30.assign(31, std::string(31, 'a').data()), 0);
    EXPECT_EQ(s30.capacity(), 46);
    InlineString50 s50;
    ASSERT_EQ(s50.assign(50, std::string(50, 'a').data()), 0);
    EXPECT_TRUE(s50.isInline());
    EXPECT_EQ(s50.capacity(), 50);
}

CORE_TEST(InlineString, NullSourceResizesAndKeepsBytes) {
    InlineString99 s;
    ASSERT_EQ(s.assignCString("hello"), 0);
    ASSERT_EQ(s.assign(200, nullptr), 0);
    EXPECT_FALSE(s.isInline());
    EXPECT_EQ(std::memcmp(s.data(), "hello", 5), 0);
    ASSERT_EQ(s.assign(3, nullptr), 0);
    EXPECT_TRUE(s.isInline());
    EXPECT_EQ(content(s), "hel");
}

CORE_TEST(InlineString, AppendsIncludingFromItsOwnContent) {
    InlineString99 s;
    EXPECT_EQ(s.append(nullptr, 5), 0);
    EXPECT_EQ(s.append("x", 0), 0);
    EXPECT_TRUE(s.empty());
    ASSERT_EQ(s.assignCString("abcdefghij"), 0);
    // Doubling from its own buffer crosses the inline limit and moves the block each time.
    for (int i = 0; i < 6; ++i) ASSERT_EQ(s.append(s.data(), static_cast<std::size_t>(s.length())), 0);
    ASSERT_EQ(s.length(), 640);
    for (int i = 0; i < 640; ++i) ASSERT_EQ(s.data()[i], "abcdefghij"[i % 10]);
    ASSERT_EQ(s.assign(300, s.data() + 10), 0);
    EXPECT_EQ(s.data()[0], 'a');
    ASSERT_EQ(s.assign(20, s.data() + 1), 0);
    EXPECT_EQ(content(s), "bcdefghijabcdefghija");
    expectTerminated(s);
}

CORE_TEST(InlineString, FormattedAppends) {
    InlineString99 s;
    s.appendInt(-42);
    s.appendChar(' ');
    s.appendHex0x(0xABCu);
    s.appendCString(nullptr);
    s.appendCString(" z");
    EXPECT_EQ(content(s), "-42 0xabc z");
#if PAYMENT_CORE_CHECKOUT
    s.reset();
    s.appendUnsigned(4294967295u);
    EXPECT_EQ(content(s), "4294967295");
#endif
    InlineString20 q;
    q.appendQuoted("v");
    q.appendQuoted(nullptr);
    EXPECT_TRUE(q.equals("\"v\"", 3));
}

CORE_TEST(InlineString, RemovePrefixTrimAndRemoveLast) {
    InlineString99 s;
    const std::string longText = std::string(150, 'a') + "tail";
    s.assign(longText.size(), longText.data());
    ASSERT_EQ(s.removePrefix(150), 0);
    EXPECT_TRUE(s.isInline());
    EXPECT_EQ(content(s), "tail");
    s.removePrefix(0);
    EXPECT_EQ(content(s), "tail");
    s.removePrefix(100);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.removeLast(), 0);
    s.assignCString("--a-b--");
    s.trim('-');
    EXPECT_EQ(content(s), "a-b");
    s.removeLast();
    EXPECT_EQ(content(s), "a-");
    s.assignCString("----");
    s.trim('-');
    EXPECT_TRUE(s.empty());
}

CORE_TEST(InlineString, Searches) {
    InlineString99 s;
    s.assignCString("abcabc");
    struct Case {
        const char* what;
        int got;
        int expected;
    };
    const Case cases[] = {
        {"indexOf c", s.indexOf('c'), 2},
        {"indexOf c from 3", s.indexOf('c', 3), 5},
        {"indexOf from end", s.indexOf('a', 6), -1},
        {"indexOf absent", s.indexOf('z'), -1},
        {"find bc", s.find("bc"), 1},
        {"find bc from 2", s.find("bc", 2), 4},
        {"find empty", s.find(""), 0},
        {"find past the end", s.find("a", 7), -1},
        {"find longer than rest", s.find("bcx", 4), -1},
        {"lastIndexOf a", s.lastIndexOf('a', 100), 3},
        {"lastIndexOf a at 2", s.lastIndexOf('a', 2), 0},
        {"lastIndexOf text", s.lastIndexOf("bc", 100), 4},
        {"lastIndexOf text at 3", s.lastIndexOf("bc", 3), 1},
        {"lastIndexOf empty text", s.lastIndexOf("", 3), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
    EXPECT_TRUE(s.startsWith("abc"));
    EXPECT_FALSE(s.startsWith("abcabcd"));
    InlineString99 empty;
    EXPECT_EQ(empty.indexOf('a'), -1);
    EXPECT_EQ(empty.lastIndexOf('a', 5), -1);
}

CORE_TEST(InlineString, EqualsWithAndWithoutLength) {
    InlineString99 s;
    s.assign(5, "ab\0cd");
    EXPECT_TRUE(s.equals("ab", -1));
    EXPECT_TRUE(s.equals("ab\0cd", 5));
    EXPECT_FALSE(s.equals("ab", 2));
    EXPECT_FALSE(s.equals("ab\0ce", 5));
}

CORE_TEST(InlineString, MoveTransfersContent) {
    InlineString99 a;
    a.assign(150, std::string(150, 'h').data());
    InlineString99 b(std::move(a));
    EXPECT_EQ(b.length(), 150);
    EXPECT_TRUE(a.empty());
    EXPECT_TRUE(a.isInline());
    InlineString99 c;
    c.assignCString("short");
    b = std::move(c);
    EXPECT_TRUE(b.equals("short"));
}

CORE_TEST(InlineString, FailedGrowthKeepsTheOldContent) {
    InlineString99 s;
    s.assignCString("keep");
    EXPECT_EQ(s.assign(InlineString99::kMaxLength + 1, nullptr), 200);
    EXPECT_EQ(s.append("x", static_cast<std::size_t>(-1)), 200);
    {
        AllocationLimit none(0);
        EXPECT_EQ(s.assign(500, std::string(500, 'y').data()), 200);
        EXPECT_EQ(s.append(std::string(200, 'y').data(), 200), 200);
    }
    EXPECT_TRUE(s.equals("keep", 4));
    EXPECT_TRUE(s.isInline());
    s.assign(200, std::string(200, 'z').data());
    {
        AllocationLimit none(0);
        EXPECT_EQ(s.assign(400, nullptr), 200);
    }
    EXPECT_EQ(s.length(), 200);
    expectTerminated(s);
}

namespace {
std::vector<unsigned char> bytesOf(const StringList& list) {
    const auto* d = reinterpret_cast<const unsigned char*>(list.storage().data());
    return std::vector<unsigned char>(d, d + list.storage().length());
}
}  // namespace

CORE_TEST(StringList, PacksItemsWithLengthHeaders) {
    StringList list;
    list.add("ab");
    list.add(nullptr);
    list.add("x\0y", 3);
    const std::vector<unsigned char> expected = {0, 0, 2, 'a', 'b', 0, 0, 0, 0, 0, 0, 0, 3, 'x', 0, 'y', 0};
    EXPECT_EQ(bytesOf(list), expected);
    EXPECT_EQ(list.count(), 3);
    EXPECT_STREQ(list.get(0), "ab");
    EXPECT_EQ(list.itemLength(2), 3);
    EXPECT_STREQ(list.get(3), "");
    EXPECT_EQ(list.itemLength(3), 0);
    EXPECT_STREQ(list.get(-1), "");
}

CORE_TEST(StringList, LongItemsUseThreeHeaderBytes) {
    StringList list;
    const std::string big(70000, 'q');
    list.add(big.data(), big.size());
    list.add("end");
    const auto bytes = bytesOf(list);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[1], 0x11);
    EXPECT_EQ(bytes[2], 0x70);
    EXPECT_EQ(list.itemLength(0), 70000);
    EXPECT_STREQ(list.get(1), "end");
}

CORE_TEST(StringList, SetKeepsLaterItems) {
    struct Case {
        const char* replacement;
    };
    const Case cases[] = {{"a much longer middle value that moves the list to the heap, well past ninety-nine bytes"},
                          {""},
                          {"mid"},
                          {"m"}};
    for (const Case& c : cases) {
        StringList list;
        list.add("first");
        list.add("middle");
        list.add("last");
        ASSERT_EQ(list.set(1, c.replacement), 0);
        EXPECT_STREQ(list.get(0), "first");
        EXPECT_STREQ(list.get(1), c.replacement);
        EXPECT_STREQ(list.get(2), "last");
        EXPECT_EQ(list.storage().length(), 5 + 4 + static_cast<int>(std::strlen(c.replacement)) + 4 + 4 + 4);
    }
}

CORE_TEST(StringList, IndexErrorsAndResize) {
    StringList list;
    EXPECT_EQ(list.removeLast(), 433);
    EXPECT_EQ(list.set(0, "x"), 432);
    list.add("a");
    EXPECT_EQ(list.set(1, "x"), 432);
    ASSERT_EQ(list.resize(3), 0);
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.storage().length(), 5 + 4 + 4);
    EXPECT_STREQ(list.get(2), "");
    list.set(2, "c");
    ASSERT_EQ(list.resize(1), 0);
    EXPECT_EQ(list.storage().length(), 5);
    EXPECT_EQ(list.removeLast(), 0);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.storage().length(), 0);
}

CORE_TEST(StringList, IndexOfComparesWholeItems) {
    StringList list;
    list.add("Host");
    list.add("Cookie");
    list.add("Host");
    EXPECT_EQ(list.indexOf("Host"), 0);
    EXPECT_EQ(list.indexOf("Host", 1), 2);
    EXPECT_EQ(list.indexOf("Hos"), -1);
    EXPECT_EQ(list.indexOf("host"), -1);
    EXPECT_EQ(list.indexOf("Host", 5), -1);
}

CORE_TEST(StringList, ItemsFromTheListItself) {
    StringList list;
    const std::string longItem(90, 'L');
    list.add(longItem.c_str());
    list.add("tail");
    // Each add may move the storage that the source points into.
    list.add(list.get(0), static_cast<std::size_t>(list.itemLength(0)));
    list.add(list.get(1));
    EXPECT_STREQ(list.get(2), longItem.c_str());
    EXPECT_STREQ(list.get(3), "tail");
    ASSERT_EQ(list.set(1, list.get(0)), 0);
    ASSERT_EQ(list.set(0, list.get(3)), 0);
    EXPECT_STREQ(list.get(0), "tail");
    EXPECT_STREQ(list.get(1), longItem.c_str());
    EXPECT_STREQ(list.get(2), longItem.c_str());
}

CORE_TEST(StringList, ItemOfTwoToTheTwentyFourBytesIsRefused) {
    StringList list;
    list.add("keep");
    const std::string huge(StringList::kMaxItemLength + 1, 'h');
    EXPECT_EQ(list.add(huge.data(), huge.size()), 200);
    EXPECT_EQ(list.set(0, huge.data(), huge.size()), 200);
    EXPECT_EQ(list.count(), 1);
    EXPECT_STREQ(list.get(0), "keep");
    ASSERT_EQ(list.add(huge.data(), StringList::kMaxItemLength), 0);
    EXPECT_EQ(list.itemLength(1), static_cast<int>(StringList::kMaxItemLength));
}

#if PAYMENT_CORE_CHECKOUT
CORE_TEST(StringList, IntegerItems) {
    StringList list;
    list.add("-17abc");
    list.add("x");
    EXPECT_EQ(list.itemAsInt(0), -17);
    ASSERT_EQ(list.setItemInt(1, 2048), 0);
    EXPECT_STREQ(list.get(1), "2048");
}
#endif

CORE_TEST(PointerList, ResizeCreatesAndDestroysParts) {
    PointerList parts;
    ASSERT_EQ(parts.resize(30), 0);
    EXPECT_EQ(parts.count(), 30);
    for (int i = 0; i < 30; ++i) {
        ASSERT_NE(parts.get(i), nullptr);
        EXPECT_EQ(parts.get(i)->encoding, 0);
        EXPECT_TRUE(parts.get(i)->headers.empty());
    }
    parts.get(29)->data.assign(500, std::string(500, 'd').data());
    MimePart* first = parts.get(0);
    ASSERT_EQ(parts.resize(2), 0);
    EXPECT_EQ(parts.get(0), first);
    EXPECT_EQ(parts.get(2), nullptr);
    ASSERT_EQ(parts.resize(0), 0);
    EXPECT_EQ(parts.count(), 0);
    parts.resize(3);
    parts.clear();
    EXPECT_EQ(parts.count(), 0);
}

CORE_TEST(PointerList, FailedPartCreationRollsBack) {
    PointerList parts;
    ASSERT_EQ(parts.resize(2), 0);
    MimePart* kept = parts.get(1);
    {
        // Room for the pointer array and two parts; the third part cannot be made.
        AllocationLimit limit(3);
        EXPECT_EQ(parts.resize(20), 200);
    }
    EXPECT_EQ(parts.count(), 2);
    EXPECT_EQ(parts.get(1), kept);
    EXPECT_EQ(parts.get(2), nullptr);
    ASSERT_EQ(parts.resize(5), 0);
    EXPECT_EQ(parts.count(), 5);
}
