// The string builder: text in order, the growth rule of its capacity, reuse after GetString, and
// appends that stay cheap for long texts.

#include "report/clsconcat.h"

#include <gtest/gtest.h>

#include <chrono>

using qln::clsConcat;

namespace {

TEST(ClsConcat, NewBuilderIsEmpty) {
    clsConcat b;
    EXPECT_EQ(b.Capacity(), 0);
    EXPECT_EQ(b.GetString(), QString());
    EXPECT_EQ(b.Length(), 0);
    // An empty piece adds no text, but it does reach the (empty) room and so grows it.
    b.SConcat("");
    EXPECT_EQ(b.Capacity(), 15000);
    EXPECT_EQ(b.GetString(), QString());
}

TEST(ClsConcat, FirstPieceSetsTheRoomThenGrowthIsInSteps) {
    clsConcat b;
    b.SConcat("ab");
    EXPECT_EQ(b.Capacity(), 2);  // exactly the first piece
    b.SConcat("c");
    EXPECT_EQ(b.Capacity(), 15002);
    EXPECT_EQ(b.Length(), 3);

    // A piece that would exactly fill the room also grows it.
    b.SConcat(QString(14998, u'x'));
    EXPECT_EQ(b.Length(), 15001);
    EXPECT_EQ(b.Capacity(), 15002);
    b.SConcat("y");
    EXPECT_EQ(b.Capacity(), 30002);
    b.SConcat(QString(15000, u'z'));
    EXPECT_EQ(b.Capacity(), 45002);
    const QString text = b.GetString();
    EXPECT_EQ(text.size(), 30002);
    EXPECT_TRUE(text.startsWith("abcxx"));
    EXPECT_EQ(text.mid(15000, 3), "xyz");
}

TEST(ClsConcat, LongPieces) {
    // Longer than the step on a new builder: the room is exactly the piece; the next character adds a step.
    clsConcat b;
    b.SConcat(QString(40000, u'a'));
    EXPECT_EQ(b.Capacity(), 40000);
    b.SConcat("b");
    EXPECT_EQ(b.Capacity(), 55000);

    // Longer than the step, not longer than the text so far, and one step would not hold it: the room
    // grows by the piece itself and the whole piece is kept.
    b.SConcat(QString(35000, u'c'));
    EXPECT_EQ(b.Length(), 75001);
    EXPECT_EQ(b.Capacity(), 90000);
    // Longer than the text so far: grows by the piece.
    b.SConcat(QString(100000, u'd'));
    EXPECT_EQ(b.Capacity(), 190000);
    const QString text = b.GetString();
    ASSERT_EQ(text.size(), 175001);
    EXPECT_EQ(text.count(u'a'), 40000);
    EXPECT_EQ(text.at(40000), u'b');
    EXPECT_EQ(text.count(u'c'), 35000);
    EXPECT_EQ(text.mid(75001).count(u'd'), 100000);
}

TEST(ClsConcat, SetStringReInitAndReuseAfterGetString) {
    clsConcat b;
    const QString source = QStringLiteral("xyz");
    b.SetString(source);
    EXPECT_EQ(b.Capacity(), 15003);
    b.SConcat("!");
    EXPECT_EQ(b.Capacity(), 15003);
    EXPECT_EQ(b.GetString(), "xyz!");
    EXPECT_EQ(source, "xyz");

    // After GetString the builder holds nothing and starts again like a new one.
    EXPECT_EQ(b.Capacity(), 0);
    EXPECT_EQ(b.GetString(), QString());
    b.SConcat("again");
    EXPECT_EQ(b.Capacity(), 5);
    b.ReInit();
    EXPECT_EQ(b.Capacity(), 0);
    EXPECT_EQ(b.GetString(), QString());
}

TEST(ClsConcat, LongTextsAreNotCopiedAtEveryStep) {
    // 6 million characters in pieces of 100. A builder that copied its text into a new buffer at every
    // 15000-character step would copy it some 400 times (several seconds here); one whose real buffer
    // grows geometrically takes a few tens of milliseconds.
    const QString piece(100, u'p');
    clsConcat b;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 60000; ++i) b.SConcat(piece);
    const QString text = b.GetString();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(text.size(), 6000000);
    EXPECT_LT(seconds, 1.5);
}

}  // namespace
