// Name lists as the engines test membership in them.

#include "modify/name_list.h"

#include <gtest/gtest.h>

using namespace qln;

TEST(NameList, CountSpacesCountsOnlyTheSpaceCharacter) {
    EXPECT_EQ(CountSpaces(""), 0);
    EXPECT_EQ(CountSpaces(" A B "), 3);
    EXPECT_EQ(CountSpaces("\tA\u00a0B"), 0);
}

TEST(NameList, MembershipIsAWholeNameMatchIgnoringCase) {
    const QString notes = NormaliseNameList("NOTES");
    EXPECT_TRUE(NameListAdmits(notes, "notes"));
    EXPECT_FALSE(NameListAdmits(notes, "NOTES2"));
    EXPECT_FALSE(NameListAdmits(notes, "NOTE"));
    EXPECT_TRUE(NameListAdmits("*", "anything"));
    // An entry holding a blank admits each of its words.
    const QString myLayer = NormaliseNameList("My Layer,Other");
    EXPECT_TRUE(NameListAdmits(myLayer, "layer"));
    EXPECT_TRUE(NameListAdmits(myLayer, "OTHER"));
    // An empty value (two spaces after normalising) admits no name.
    EXPECT_FALSE(NameListAdmits(NormaliseNameList(""), "A"));
}

TEST(NameList, SingleBlockNarrowing) {
    EXPECT_TRUE(NamesSingleBlock(NormaliseNameList("TITLE")));
    EXPECT_FALSE(NamesSingleBlock(NormaliseNameList("A,B")));
    EXPECT_FALSE(NamesSingleBlock("*"));
    EXPECT_FALSE(NamesSingleBlock(NormaliseNameList("*MODEL_SPACE")));
    EXPECT_FALSE(NamesSingleBlock(NormaliseNameList("*paper_space")));
}

TEST(NameList, UpperCasingKeepsEveryCharacterAMatchForItself) {
    // A character whose upper case is two characters stays; the others change one for one, outside
    // the Basic Multilingual Plane too.
    EXPECT_EQ(UpperEachCharacter(QString::fromUtf8("Maße, ŉ, été, ǆ, 𐐨x")), QString::fromUtf8("MAßE, ŉ, ÉTÉ, Ǆ, 𐐀X"));
    EXPECT_EQ(UpperEachCharacter(""), "");
    // What the lists are for: the upper-cased list still admits the name as the drawing spells it.
    const QString layers = NormaliseNameList(UpperEachCharacter(QString::fromUtf8("Maße,Straße")));
    EXPECT_TRUE(NameListAdmits(layers, QString::fromUtf8("Maße")));
    EXPECT_TRUE(NameListAdmits(layers, QString::fromUtf8("STRAßE")));
    EXPECT_FALSE(NameListAdmits(layers, "MASSE"));
}
