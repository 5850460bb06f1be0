#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "core/document/Document.h"

using qm::Document;
using qm::TextChange;

namespace {

struct Recorder {
    std::vector<TextChange> changes;
    explicit Recorder(Document& d) {
        d.AddChangeListener([this](const TextChange& c) { changes.push_back(c); });
    }
};

}  // namespace

TEST(Document, TextAssignmentReplacesAllAndPutsCaretAtZero) {
    Document d;
    Recorder r(d);
    d.SetText(u"abc\r\ndef");
    d.SetSelStart(4);
    d.SetText(u"xy");
    EXPECT_EQ(d.Text(), u"xy");
    EXPECT_EQ(d.SelStart(), 0);
    EXPECT_EQ(d.SelLength(), 0);
    ASSERT_EQ(r.changes.size(), 2u);  // one notification per write
    EXPECT_EQ(r.changes[1].removed, 8u);
    EXPECT_EQ(r.changes[1].inserted, 2u);
}

TEST(Document, SelTextReplacesSelectionAndLeavesCaretAfter) {
    Document d;
    d.SetText(u"hello world");
    Recorder r(d);
    d.SetSelStart(6);
    d.SetSelLength(5);
    EXPECT_EQ(d.SelText(), u"world");
    d.SetSelText(u"你们");
    EXPECT_EQ(d.Text(), u"hello 你们");
    EXPECT_EQ(d.SelStart(), 8);
    EXPECT_EQ(d.SelLength(), 0);
    d.SetSelText(u"!");  // nothing selected: insert at the caret
    EXPECT_EQ(d.Text(), u"hello 你们!");
    ASSERT_EQ(r.changes.size(), 2u);
    EXPECT_EQ(r.changes[0].pos, 6u);
    EXPECT_EQ(r.changes[0].removed, 5u);
    EXPECT_EQ(r.changes[0].inserted, 2u);
}

TEST(Document, CrLfCountsAsTwoUnits) {
    Document d;
    d.SetText(u"a\r\nb");
    EXPECT_EQ(d.Length(), 4u);
    d.SetSelStart(1);
    d.SetSelLength(2);
    EXPECT_EQ(d.SelText(), u"\r\n");
}

TEST(Document, SelectionIsClampedAndNegativeIsRefused) {
    Document d;
    d.SetText(u"abc");
    EXPECT_TRUE(d.SetSelStart(10));
    EXPECT_EQ(d.SelStart(), 3);
    EXPECT_FALSE(d.SetSelStart(-1));
    EXPECT_EQ(d.SelStart(), 3);
    d.SetSelStart(1);
    EXPECT_TRUE(d.SetSelLength(10));
    EXPECT_EQ(d.SelLength(), 2);
    EXPECT_FALSE(d.SetSelLength(-2));
    d.SetSelStart(2);  // moving the caret drops the selection
    EXPECT_EQ(d.SelLength(), 0);
}

TEST(Document, SelectionMovesDoNotRaiseChange) {
    Document d;
    Recorder r(d);
    int selections = 0;
    d.AddSelectionListener([&](qm::EditSource) { ++selections; });
    d.SetSelStart(0);
    d.SetSelLength(0);
    EXPECT_TRUE(r.changes.empty());
    EXPECT_EQ(selections, 2);
}

TEST(Document, AListenerThatFailsDoesNotKeepTheChangeFromTheOthers) {
    Document d;
    d.AddChangeListener([](const TextChange&) { throw std::bad_alloc(); });
    Recorder after(d);
    EXPECT_THROW(d.SetText(u"新"), std::bad_alloc);
    EXPECT_EQ(after.changes.size(), 1u);
}
