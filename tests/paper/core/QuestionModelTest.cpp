#include "paper/uFileHandle.h"

#include <gtest/gtest.h>

namespace {

void fillQuestion(TQuestion& q, std::initializer_list<const char*> options) {
    for (const char* option : options)
        q.AddOption(option);
}

TEST(QuestionModel, CreateGivesEmptyQuestionsOfEveryKind) {
    TQSingle single;
    TQMulti multi;
    TQMatching matching;
    for (const TQuestion* q :
         {static_cast<const TQuestion*>(&single), static_cast<const TQuestion*>(&multi),
          static_cast<const TQuestion*>(&matching)}) {
        EXPECT_EQ(q->OptionCount(), 0);
        EXPECT_EQ(q->FullMarks, 0);
        EXPECT_TRUE(q->Stem.empty());
        EXPECT_EQ(q->AllOrNothing, 0);
        EXPECT_EQ(q->SeqNo, 0);
    }
    EXPECT_EQ(single.Key, 0);
    EXPECT_EQ(matching.LeftCount, 0);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(multi.Answer[i], 0);
        EXPECT_EQ(matching.Answer[i], 0);
    }
}

TEST(QuestionModel, OptionsAreCutAtTheirFirstZeroByteButTheStemIsNot) {
    TQMulti q;
    q.AddOption(std::string("ab\0cd", 5));
    q.AddOption("");
    q.AddOption("\xB0\xA1\xB0\xA2");
    q.Stem = std::string("x\0y", 3);
    ASSERT_EQ(q.OptionCount(), 3);
    EXPECT_EQ(q.GetOption(0), "ab");
    EXPECT_EQ(q.GetOption(1), "");
    EXPECT_EQ(q.GetOption(2), "\xB0\xA1\xB0\xA2");
    EXPECT_EQ(q.Stem.size(), 3u);
}

TEST(QuestionModel, GetOptionAtOrBeyondTheCountRaisesTheListIndexError) {
    TQSingle q;
    try {
        q.GetOption(0);
        FAIL() << "no error for index 0 of a question without options";
    } catch (const platform::EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (0)");
    }
    fillQuestion(q, {"A", "B"});
    EXPECT_EQ(q.GetOption(1), "B");
    EXPECT_THROW(q.GetOption(2), platform::EListError);
    EXPECT_THROW(q.GetOption(255), platform::EListError);
    EXPECT_EQ(q.OptionCount(), 2);
}

TEST(QuestionModel, ClearEmptiesTextsAndMarksButKeepsNumberAndAnswerData) {
    TQMatching q;
    q.Stem = "stem";
    q.FullMarks = 4;
    q.AllOrNothing = 1;
    q.SeqNo = 9;
    q.LeftCount = 2;
    q.Answer[1] = 3;
    fillQuestion(q, {"a", "b", "c"});
    q.Clear();
    EXPECT_EQ(q.OptionCount(), 0);
    EXPECT_TRUE(q.Stem.empty());
    EXPECT_EQ(q.FullMarks, 0);
    EXPECT_EQ(q.AllOrNothing, 0);
    EXPECT_EQ(q.SeqNo, 9);
    EXPECT_EQ(q.LeftCount, 2);
    EXPECT_EQ(q.Answer[1], 3);

    TQSingle bare;
    bare.Stem = "only a stem";
    bare.FullMarks = 2;
    bare.SeqNo = 4;
    bare.Key = 1;
    bare.Clear();
    EXPECT_TRUE(bare.Stem.empty());
    EXPECT_EQ(bare.FullMarks, 0);
    EXPECT_EQ(bare.SeqNo, 4);
    EXPECT_EQ(bare.Key, 1);
}

TEST(QuestionModel, AssignOfTheSameKindReplacesEverything) {
    TQSingle source;
    fillQuestion(source, {"one", "two", "three"});
    source.Key = 2;
    source.FullMarks = 5;
    source.AllOrNothing = 0;
    source.SeqNo = 7;
    source.Stem = "stem";

    TQSingle target;
    fillQuestion(target, {"old 1", "old 2", "old 3", "old 4"});
    target.AllOrNothing = 1;
    target.Assign(&source);
    ASSERT_EQ(target.OptionCount(), 3);
    EXPECT_EQ(target.GetOption(0), "one");
    EXPECT_EQ(target.GetOption(1), "two");
    EXPECT_EQ(target.GetOption(2), "three");
    EXPECT_EQ(target.Key, 2);
    EXPECT_EQ(target.FullMarks, 5);
    EXPECT_EQ(target.AllOrNothing, 0);
    EXPECT_EQ(target.SeqNo, 7);
    EXPECT_EQ(target.Stem, "stem");

    TQMulti multi;
    multi.Answer[0] = 1;
    multi.Answer[200] = 1; // beyond the last option, copied all the same
    multi.Answer[255] = 7;
    TQMulti multiCopy;
    multiCopy.Assign(&multi);
    EXPECT_EQ(multiCopy.Answer, multi.Answer);

    TQMatching matching;
    fillQuestion(matching, {"item", "A", "B"});
    matching.LeftCount = 1;
    matching.Answer[0] = 1;
    TQMatching matchingCopy;
    matchingCopy.Assign(&matching);
    EXPECT_EQ(matchingCopy.LeftCount, 1);
    EXPECT_EQ(matchingCopy.Answer, matching.Answer);
    EXPECT_EQ(matchingCopy.OptionCount(), 3);
}

TEST(QuestionModel, AssignAcrossKindsOrFromNothingLeavesTheTargetUntouched) {
    TQMatching matching;
    fillQuestion(matching, {"x", "y"});
    matching.FullMarks = 9;

    TQMulti multi;
    fillQuestion(multi, {"kept"});
    multi.FullMarks = 3;
    multi.Stem = "multi stem";
    multi.Answer[0] = 1;
    multi.Assign(&matching);
    multi.Assign(nullptr);
    ASSERT_EQ(multi.OptionCount(), 1);
    EXPECT_EQ(multi.GetOption(0), "kept");
    EXPECT_EQ(multi.FullMarks, 3);
    EXPECT_EQ(multi.Stem, "multi stem");
    EXPECT_EQ(multi.Answer[0], 1);

    TQSingle single;
    single.Key = 4;
    single.Assign(&multi);
    EXPECT_EQ(single.OptionCount(), 0);
    EXPECT_EQ(single.Key, 4);

    TQMatching fromSingle;
    fromSingle.Assign(&single);
    EXPECT_EQ(fromSingle.OptionCount(), 0);

    // The base class copies from any kind.
    TQuestion& base = multi;
    base.TQuestion::Assign(&matching);
    EXPECT_EQ(multi.OptionCount(), 2);
    EXPECT_EQ(multi.FullMarks, 9);
}

TEST(QuestionModel, AssignOntoItselfKeepsTheQuestion) {
    TQSingle q;
    fillQuestion(q, {"a", "b"});
    q.Key = 1;
    q.Stem = "s";
    q.Assign(&q);
    EXPECT_EQ(q.OptionCount(), 2);
    EXPECT_EQ(q.Key, 1);
    EXPECT_EQ(q.Stem, "s");
}

TEST(QuestionModel, AssignPastThe256thOptionWrapsTheEightBitIndex) {
    TQMulti source;
    for (int i = 0; i < 258; ++i)
        source.AddOption("option " + std::to_string(i));
    TQMulti copy;
    copy.Assign(&source);
    ASSERT_EQ(copy.OptionCount(), 258);
    EXPECT_EQ(copy.GetOption(255), "option 255");
    EXPECT_EQ(copy.Options[256], "option 0");
    EXPECT_EQ(copy.Options[257], "option 1");
}

} // namespace
