#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "FailingAllocation.h"
#include "core/undo/UndoHistory.h"

using qm::Document;
using qm::UndoHistory;

namespace {

// A document with its history, started as the main window starts it.
struct Editor {
    Document doc;
    UndoHistory history;
    bool undoMenu = true;
    bool redoMenu = true;

    explicit Editor(
        std::unique_ptr<qm::SnapshotStore> store = std::make_unique<qm::CompactSnapshotStore>())
        : history(doc, std::move(store)) {
        history.onAvailability = [this](bool u, bool r) {
            undoMenu = u;
            redoMenu = r;
        };
        doc.SetText(u"");
        history.RecordingEnabled = true;
        history.Record();
    }
    // What a key press does: replace the selection and move the caret after it.
    void Type(std::u16string_view s) {
        for (char16_t c : s) doc.SetSelText(std::u16string(1, c));
    }
    void Select(int start, int len) {
        doc.SetSelStart(start);
        doc.SetSelLength(len);
    }
};

}  // namespace

TEST(UndoHistory, StartsWithOneBaseSnapshotAndNothingToUndo) {
    Editor e;
    EXPECT_FALSE(e.undoMenu);
    EXPECT_FALSE(e.redoMenu);
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"");
    EXPECT_EQ(e.history.Store().UndoCount(), 1u);
    EXPECT_FALSE(e.undoMenu);
}

TEST(UndoHistory, TypingThenUndoAndRedoOneKeyAtATime) {
    Editor e;
    e.Type(u"abc");
    EXPECT_EQ(e.history.Store().UndoCount(), 4u);  // empty, a, ab, abc
    EXPECT_TRUE(e.undoMenu);
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"ab");
    EXPECT_EQ(e.doc.SelStart(), 2);
    EXPECT_TRUE(e.redoMenu);
    e.history.Redo();
    EXPECT_EQ(e.doc.Text(), u"abc");
    EXPECT_EQ(e.doc.SelStart(), 3);
    EXPECT_EQ(e.doc.SelLength(), 0);
    EXPECT_FALSE(e.redoMenu);
}

TEST(UndoHistory, PastedWordIsRemovedAndComesBackSelected) {
    Editor e;
    e.Type(u"x");
    e.doc.SetSelText(u"hello");
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"x");
    e.history.Redo();
    EXPECT_EQ(e.doc.Text(), u"xhello");
    EXPECT_EQ(e.doc.SelStart(), 1);
    EXPECT_EQ(e.doc.SelLength(), 5);
}

namespace {

struct DeletionCase {
    const char* name;
    friend void PrintTo(const DeletionCase& c, std::ostream* os) { *os << c.name; }
    const char16_t* text;
    int start, length;              // what is selected and deleted
    int undoneStart, undoneLength;  // the selection after the undo
    const char16_t* with = u"";     // what the selection is replaced by
};

const DeletionCase kDeletions[] = {
    {"AWordComesBackSelected", u"abcde", 1, 3, 1, 3},
    {"ALineBreakComesBackWithTheCaretAfterIt", u"a\r\nb", 1, 2, 3, 0},
    {"OneAtTheEndComesBackWithTheCaretAfterIt", u"abc", 2, 1, 3, 0},
    {"ASameLengthReplacementIsUndone", u"abc", 0, 3, 0, 0, u"xyz"},
    {"ALongerReplacementIsUndone", u"a", 0, 1, 1, 0, u"abc"},
};

class UndoneDeletion : public ::testing::TestWithParam<DeletionCase> {};

TEST_P(UndoneDeletion, RestoresTheTextAndTheSelection) {
    const DeletionCase& c = GetParam();
    Editor e;
    e.doc.SetText(c.text);
    e.Select(c.start, c.length);
    e.doc.SetSelText(c.with);
    const std::u16string edited = e.doc.Text();
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), c.text);
    EXPECT_EQ(e.doc.SelStart(), c.undoneStart);
    EXPECT_EQ(e.doc.SelLength(), c.undoneLength);
    e.history.Redo();
    EXPECT_EQ(e.doc.Text(), edited);
}

INSTANTIATE_TEST_SUITE_P(UndoHistory, UndoneDeletion, ::testing::ValuesIn(kDeletions),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(UndoHistory, NewEditAfterUndoEmptiesRedo) {
    Editor e;
    e.Type(u"ab");
    e.history.Undo();
    EXPECT_TRUE(e.redoMenu);
    e.Type(u"z");
    EXPECT_FALSE(e.redoMenu);
    EXPECT_EQ(e.history.Store().RedoCount(), 0u);
    e.history.Redo();
    EXPECT_EQ(e.doc.Text(), u"az");
}

TEST(UndoHistory, NothingHappensWhileRecordingIsOffButItIsOnAfterwards) {
    Editor e;
    e.Type(u"ab");
    e.history.RecordingEnabled = false;
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"ab");
    EXPECT_TRUE(e.history.RecordingEnabled);
}

// A command that rewrites the whole text leaves the caret at 0: the span
// replay alone would cut or restore the wrong units.
TEST(UndoHistory, WholeTextRewriteIsUndoneAndRedoneExactly) {
    Editor e;
    e.doc.SetText(u"line one\r\nline two");
    e.doc.SetText(u"line oneline two merged");  // longer, caret 0
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"line one\r\nline two");
    EXPECT_EQ(e.doc.SelStart(), 8);  // where the undone change began
    e.history.Redo();
    EXPECT_EQ(e.doc.Text(), u"line oneline two merged");

    e.doc.SetText(u"abc");  // shorter
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"line oneline two merged");
    e.doc.SetText(u"LINE ONELINE TWO MERGED");  // same length
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"line oneline two merged");
    EXPECT_EQ(e.doc.SelStart(), 0);
    e.history.Redo();
    EXPECT_EQ(e.doc.Text(), u"LINE ONELINE TWO MERGED");
}

// Commands that rebuild the text a line at a time make one snapshot per line;
// each undo takes back exactly one line.
TEST(UndoHistory, LineByLineRebuildUndoesOneLineAtATime) {
    Editor e;
    e.doc.SetText(u"a\r\nb\r\n");
    e.doc.SetText(u"");
    e.doc.AppendText(u"a。\r\n");
    e.doc.AppendText(u"b。\r\n");
    EXPECT_EQ(e.history.Store().UndoCount(), 5u);
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"a。\r\n");
    e.history.Undo();
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"a\r\nb\r\n");
    e.history.Redo();
    e.history.Redo();
    e.history.Redo();
    EXPECT_EQ(e.doc.Text(), u"a。\r\nb。\r\n");
}

// The same random edits, undos and redos on the compact store and on plain
// full copies must leave the same text, caret, selection and menus.
TEST(UndoHistory, CompactStoreBehavesLikeFullCopies) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        Editor compact(std::make_unique<qm::CompactSnapshotStore>());
        Editor full(std::make_unique<qm::FullSnapshotStore>());
        auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        const std::u16string alphabet = u"ab\r\n中文 ";
        for (int step = 0; step < 300; ++step) {
            const int len = static_cast<int>(compact.doc.Length());
            const int op = pick(10);
            const int start = pick(len + 1);
            const int sel = pick(len - start + 1) % 6;
            const bool append = pick(2) == 0;
            std::u16string piece;
            for (int i = pick(4); i >= 0; --i)
                piece += alphabet[pick(static_cast<int>(alphabet.size()))];
            for (Editor* e : {&compact, &full}) {
                if (op < 4) {
                    e->Select(start, sel);
                    e->doc.SetSelText(piece);
                } else if (op == 4) {
                    e->Select(start, sel);
                    e->doc.SetSelText(u"");
                } else if (op == 9 && append) {
                    e->doc.AppendText(piece);
                } else if (op == 5) {
                    std::u16string t = e->doc.Text();
                    std::reverse(t.begin(), t.end());
                    e->doc.SetText(t + piece);
                } else if (op < 8) {
                    e->history.Undo();
                } else {
                    e->history.Redo();
                }
            }
            ASSERT_EQ(compact.doc.Text(), full.doc.Text()) << "seed " << seed << " step " << step;
            ASSERT_EQ(compact.doc.SelStart(), full.doc.SelStart())
                << "seed " << seed << " step " << step;
            ASSERT_EQ(compact.doc.SelLength(), full.doc.SelLength())
                << "seed " << seed << " step " << step;
            ASSERT_EQ(compact.undoMenu, full.undoMenu);
            ASSERT_EQ(compact.redoMenu, full.redoMenu);
            ASSERT_EQ(compact.history.Store().UndoCount(), full.history.Store().UndoCount());
            ASSERT_EQ(compact.history.Store().RedoCount(), full.history.Store().RedoCount());
            // The history never leaves the text other than its newest snapshot.
            ASSERT_EQ(compact.history.Store().NewestText(), compact.doc.Text());
        }
    }
}

TEST(UndoHistory, CompactStoreGrowsWithChangesNotWithDocumentSize) {
    Editor e;
    e.doc.SetText(std::u16string(1'000'000, u'文'));
    e.doc.SetSelStart(500'000);
    e.Type(u"x");  // the one reallocation of the text itself
    const std::size_t before = e.history.Store().BytesUsed();
    e.Type(std::u16string(1000, u'x'));
    const std::size_t perKey = (e.history.Store().BytesUsed() - before) / 1000;
    EXPECT_LT(perKey, 1024u);
    for (int i = 0; i < 1001; ++i) e.history.Undo();
    EXPECT_EQ(e.doc.Text(), std::u16string(1'000'000, u'文'));
}

namespace {

// What typing in the box does: each key a widget edit at the caret.
void TypeInBox(Document& doc, std::u16string_view s) {
    for (char16_t c : s) doc.SetSelText(std::u16string(1, c), qm::EditSource::Widget);
}

// Both ways of keeping the history: the compact one the program uses, and
// plain full copies.
struct StoreKind {
    const char* name;
    friend void PrintTo(const StoreKind& c, std::ostream* os) { *os << c.name; }
    std::unique_ptr<qm::SnapshotStore> (*make)();
};

const StoreKind kStores[] = {
    {"CompactStore",
     [] { return std::unique_ptr<qm::SnapshotStore>(new qm::CompactSnapshotStore); }},
    {"FullCopies", [] { return std::unique_ptr<qm::SnapshotStore>(new qm::FullSnapshotStore); }},
};

class EitherStore : public ::testing::TestWithParam<StoreKind> {};

}  // namespace

TEST_P(EitherStore, WholeCommandsUndoAndRedoInOneStep) {
    Editor e(GetParam().make());
    TypeInBox(e.doc, u"ab");  // one run of typing
    // A command that writes the text line by line, one step per line.
    e.history.BeginCommand();
    e.doc.SetText(u"");
    for (const char16_t* line : {u"x\r\n", u"y\r\n", u"z\r\n"}) e.doc.AppendText(line);
    e.history.BeginCommand();
    e.doc.SetSelStart(0);
    e.doc.SetSelText(u"!");  // a one-step command
    ASSERT_EQ(e.doc.Text(), u"!x\r\ny\r\nz\r\n");
    const std::size_t steps = e.history.Store().UndoCount();

    e.history.UndoCommand();
    EXPECT_EQ(e.doc.Text(), u"x\r\ny\r\nz\r\n");
    e.history.UndoCommand();
    EXPECT_EQ(e.doc.Text(), u"ab");
    e.history.UndoCommand();
    EXPECT_EQ(e.doc.Text(), u"");
    EXPECT_FALSE(e.undoMenu);
    e.history.UndoCommand();  // nothing left: no harm
    EXPECT_EQ(e.doc.Text(), u"");

    e.history.RedoCommand();
    EXPECT_EQ(e.doc.Text(), u"ab");
    e.history.RedoCommand();
    EXPECT_EQ(e.doc.Text(), u"x\r\ny\r\nz\r\n");
    // Single steps still work inside a command that was redone whole.
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"x\r\ny\r\n");
    e.history.Redo();
    e.history.RedoCommand();
    EXPECT_EQ(e.doc.Text(), u"!x\r\ny\r\nz\r\n");
    EXPECT_FALSE(e.redoMenu);
    EXPECT_EQ(e.history.Store().UndoCount(), steps);
}

// Out of memory at any allocation of a record: the history keeps every step
// as it was (redo included), knows the document's change went unrecorded,
// and records on correctly once memory is back.
TEST_P(EitherStore, RecordOutOfMemoryLeavesTheStoreAsItWas) {
    for (long n = 0;; ++n) {
        SCOPED_TRACE(n);
        Editor e(GetParam().make());
        e.Type(u"甲乙丙");
        e.history.Undo();  // a step to redo
        const std::size_t undo = e.history.Store().UndoCount();
        testsupport::FailAllocationsAfter(n);
        bool failed = false;
        try {
            e.doc.SetText(u"全新的一段文字");
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        testsupport::AllowAllocations();
        if (!failed) break;
        ASSERT_EQ(e.history.Store().UndoCount(), undo);
        ASSERT_EQ(e.history.Store().RedoCount(), 1u);
        EXPECT_EQ(e.history.Store().NewestText(), u"甲乙");
        EXPECT_EQ(e.history.Store().RedoText(), u"甲乙丙");
        EXPECT_TRUE(e.history.IsModified());
        e.doc.SetText(u"又一段");
        e.history.Undo();
        EXPECT_EQ(e.doc.Text(), u"甲乙");
        e.history.Undo();
        EXPECT_EQ(e.doc.Text(), u"甲");
    }
}

INSTANTIATE_TEST_SUITE_P(UndoHistory, EitherStore, ::testing::ValuesIn(kStores),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UndoHistory, TypingRunEndsWhenTheCaretMovesOrTheProgramWrites) {
    Editor e;
    TypeInBox(e.doc, u"abc");
    e.doc.SetSelText(u"", qm::EditSource::Widget);  // nothing selected: no change
    // Backspace at the caret (as the box does it) belongs to the same run.
    e.doc.Replace(2, 1, u"", qm::EditSource::Widget);
    ASSERT_EQ(e.doc.Text(), u"ab");
    // The caret moved away: a new run.
    e.doc.SetSelection(0, 0, qm::EditSource::Widget);
    TypeInBox(e.doc, u"XY");
    ASSERT_EQ(e.doc.Text(), u"XYab");
    e.history.UndoCommand();
    EXPECT_EQ(e.doc.Text(), u"ab");
    e.history.UndoCommand();
    EXPECT_EQ(e.doc.Text(), u"");
    e.history.RedoCommand();
    EXPECT_EQ(e.doc.Text(), u"ab");

    // A program write in the middle of typing is not part of the run.
    Editor f;
    TypeInBox(f.doc, u"ab");
    f.doc.AppendText(u"!");
    f.doc.SetSelStart(2);
    TypeInBox(f.doc, u"c");
    ASSERT_EQ(f.doc.Text(), u"abc!");
    f.history.UndoCommand();
    EXPECT_EQ(f.doc.Text(), u"ab!");
    f.history.UndoCommand();
    EXPECT_EQ(f.doc.Text(), u"ab");
}

TEST(UndoHistory, ALongCommandUndoesAndRedoesWhole) {
    // 20,000 steps of one command: all of them go at once.
    Editor e;
    e.history.BeginCommand();
    std::u16string line(20, u'字');
    line += u"\r\n";
    for (int i = 0; i < 20000; ++i) e.doc.AppendText(line);
    e.history.UndoCommand();
    EXPECT_EQ(e.doc.Text(), u"");
    e.history.RedoCommand();
    EXPECT_EQ(e.doc.Length(), 20000u * line.size());
    EXPECT_EQ(e.history.Store().UndoCount(), 20001u);
}

TEST(UndoHistory, ModifiedUntilUndoneOrRedoneBackToTheSavedState) {
    Editor e;
    e.history.MarkSaved();
    EXPECT_FALSE(e.history.IsModified());
    TypeInBox(e.doc, u"ab");
    EXPECT_TRUE(e.history.IsModified());
    e.history.MarkSaved();
    EXPECT_FALSE(e.history.IsModified());
    e.history.Undo();
    EXPECT_TRUE(e.history.IsModified());
    e.history.Redo();
    EXPECT_FALSE(e.history.IsModified());
    // A change that the history did not record is a change all the same.
    e.history.RecordingEnabled = false;
    e.doc.AppendText(u"c");
    EXPECT_TRUE(e.history.IsModified());
    e.history.RecordingEnabled = true;
    e.history.MarkSaved();  // records the text as it is, to come back to
    EXPECT_FALSE(e.history.IsModified());
    e.history.Undo();
    EXPECT_EQ(e.doc.Text(), u"ab");
    EXPECT_TRUE(e.history.IsModified());
    e.history.Redo();
    EXPECT_EQ(e.doc.Text(), u"abc");
    EXPECT_FALSE(e.history.IsModified());
    // The same text reached another way is still a change: states, not texts.
    e.doc.SetSelStart(3);
    TypeInBox(e.doc, u"d");
    e.doc.SetSelection(3, 1, qm::EditSource::Widget);
    e.doc.SetSelText(u"", qm::EditSource::Widget);
    EXPECT_EQ(e.doc.Text(), u"abc");
    EXPECT_TRUE(e.history.IsModified());
}

// A command whose result is the text it started from leaves no step and no
// mark; one that changed something keeps its steps.
struct NoOpCase {
    const char* name;
    void (*run)(Document&);
    bool changes;
};
class CommandResult : public testing::TestWithParam<NoOpCase> {};
TEST_P(CommandResult, LeavesAStepOnlyWhenTheTextChanged) {
    for (bool full : {false, true}) {
        Editor e(full ? std::unique_ptr<qm::SnapshotStore>(new qm::FullSnapshotStore)
                      : std::unique_ptr<qm::SnapshotStore>(new qm::CompactSnapshotStore));
        e.doc.SetText(u"ab\r\ncd");
        e.history.MarkSaved();
        const std::size_t steps = e.history.Store().UndoCount();
        e.history.BeginCommand();
        GetParam().run(e.doc);
        e.history.EndCommand();
        EXPECT_EQ(e.history.IsModified(), GetParam().changes);
        EXPECT_EQ(e.history.Store().UndoCount() > steps, GetParam().changes);
    }
}
INSTANTIATE_TEST_SUITE_P(
    UndoHistory, CommandResult,
    testing::Values(NoOpCase{"SameTextWrittenWhole",
                             [](Document& d) { d.SetText(std::u16string(d.Text())); }, false},
                    NoOpCase{"RebuiltLineByLineToTheSame",
                             [](Document& d) {
                                 const std::u16string t = d.Text();
                                 d.SetText(u"");
                                 d.AppendText(t.substr(0, 4));
                                 d.AppendText(t.substr(4));
                             },
                             false},
                    NoOpCase{"RealChange", [](Document& d) { d.SetText(u"AB\r\ncd"); }, true}),
    [](const auto& info) { return std::string(info.param.name); });
