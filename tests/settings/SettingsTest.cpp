#include <gtest/gtest.h>

#include <QFile>
#include <map>
#include <optional>

#include "../support/PeakMemory.h"
#include "../ui/UiTestSupport.h"
#include "core/encoding/Encoding.h"
#include "platform/Platform.h"
#include "settings/ModSetting.h"
#include "settings/PeiZhi.h"
#include "settings/Recovery.h"
#include "settings/UserSettings.h"

namespace {

// A settings file of its own in the program folder, removed afterwards.
class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        // One file per test: ctest runs tests of this fixture side by side.
        const QString name =
            QStringLiteral("测试规则-%1.ini")
                .arg(::testing::UnitTest::GetInstance()->current_test_info()->name());
        path_ = ModSetting::SettingsPath(name.toStdU16String());
        QFile::remove(Path());
    }
    void TearDown() override { QFile::remove(Path()); }
    static QString Path() { return path_; }
    static void Put(std::u16string_view content) {
        ASSERT_TRUE(uitest::WriteBytes(
            Path(),
            QByteArray::fromStdString(qm::enc::Encode(content, qm::enc::Encoding::Gbk).bytes)));
    }
    static std::u16string Get() {
        return qm::enc::Decode(uitest::ReadBytes(Path()).toStdString(), qm::enc::Encoding::Gbk)
            .text;
    }
    // The texts by the main window's field they show in; nothing when the
    // file could not be read.
    static std::map<std::string, std::u16string> Load() {
        配置::RuleTexts t;
        if (!配置::LoadRuleTexts(Path(), t)) return {};
        std::map<std::string, std::u16string> fields;
        for (const auto& [field, text] : kFields) fields[field] = t.*text;
        return fields;
    }
    static void Save(std::map<std::string, std::u16string> fields) {
        配置::RuleTexts t;
        for (const auto& [field, text] : kFields) t.*text = fields[field];
        配置::SaveRuleTexts(Path(), t);
    }
    static std::optional<std::u16string> Read(std::u16string_view key, std::u16string_view def) {
        return ModSetting::ReadSettingValue(Path(), key, def);
    }
    static bool Write(std::u16string_view key, std::u16string_view value) {
        return ModSetting::WriteSettingValue(Path(), key, value);
    }
    static constexpr std::pair<const char*, std::u16string 配置::RuleTexts::*> kFields[] = {
        {"TxtShanChu", &配置::RuleTexts::deleteText}, {"TxtBaoHan", &配置::RuleTexts::deleteLines},
        {"TxtStart", &配置::RuleTexts::spanStart},    {"TxtStop", &配置::RuleTexts::spanStop},
        {"TxtBeiTiHuan", &配置::RuleTexts::find},     {"TxtTiHuan", &配置::RuleTexts::replaceWith},
    };
    static inline QString path_;
};

}  // namespace

TEST_F(SettingsFile, FirstSaveWritesHeaderAndSixLinesInSaveOrder) {
    Save({{"TxtShanChu", u"删"},
          {"TxtBaoHan", u"行"},
          {"TxtStart", u"["},
          {"TxtStop", u"]"},
          {"TxtBeiTiHuan", u"，"},
          {"TxtTiHuan", u"回车"}});
    const QByteArray expected = QByteArray::fromStdString(
        qm::enc::Encode(
            u"#本配置文件由程序自动生成,请勿自行修改。\r\n删除包含 = 删\r\n删除行 = 行\r\n"
            u"删除开始 = [\r\n删除结束 = ]\r\n被替换 = ，\r\n替换为 = 回车\r\n",
            qm::enc::Encoding::Gbk)
            .bytes);
    EXPECT_EQ(uitest::ReadBytes(Path()), expected);
    const auto loaded = Load();
    EXPECT_EQ(loaded.at("TxtShanChu"), u"删");
    EXPECT_EQ(loaded.at("TxtTiHuan"), u"回车");
    EXPECT_EQ(loaded.size(), 6u);
}

TEST_F(SettingsFile, EmptyFieldsAreNotStoredAndLoadAsEmpty) {
    Save({{"TxtStart", u"["}});
    EXPECT_EQ(Get(), u"#本配置文件由程序自动生成,请勿自行修改。\r\n删除开始 = [\r\n");
    Save({{"TxtStart", u""}, {"TxtStop", u"]"}});
    EXPECT_EQ(Get(), u"#本配置文件由程序自动生成,请勿自行修改。\r\n删除结束 = ]\r\n");
    EXPECT_EQ(Load().at("TxtStart"), u"");
    Save({});
    EXPECT_EQ(Get(), u"#本配置文件由程序自动生成,请勿自行修改。\r\n");  // the header survives
}

TEST_F(SettingsFile, ValuesAreTrimmedAndKeepTheirEqualsSigns) {
    Put(u"被替换 =   a=b  \r\n");
    EXPECT_EQ(Read(u"被替换", u"x"), u"a=b");
    EXPECT_EQ(Read(u"替换为", u"x"), u"x");
    EXPECT_EQ(Read(u"", u"d"), u"d");
}

TEST_F(SettingsFile, TwoLinesForOneKeyReadFirstRewriteBoth) {
    // A byte that is no GBK (kept, U+DC80 + byte) is written back as it was.
    Put(u"# mine \xDCFF\r\n删除行 = one\r\n删除行=two\r\n");
    EXPECT_EQ(Load().at("TxtBaoHan"), u"one");
    ASSERT_TRUE(Write(u"删除行", u"new"));
    EXPECT_EQ(Get(), u"# mine \xDCFF\r\n删除行 = new\r\n删除行 = new\r\n");
}

TEST_F(SettingsFile, RewriteTidiesLinesAndKeepsComments) {
    Put(u"  # note  \r\n\r\n   \r\n  删除结束 = ] \r\nno equals here\r\n  other = 1\r\n");
    ASSERT_TRUE(Write(u"删除开始", u"["));
    EXPECT_EQ(Get(), u"# note\r\n删除结束 = ]\r\nother = 1\r\n删除开始 = [\r\n");
    // A file left with no lines at all is deleted.
    Put(u"删除开始 = [\r\n");
    ASSERT_TRUE(Write(u"删除开始", u""));
    EXPECT_FALSE(QFile::exists(Path()));
    // No file and an empty value: nothing is created.
    ASSERT_TRUE(Write(u"删除开始", u""));
    EXPECT_FALSE(QFile::exists(Path()));
    EXPECT_FALSE(Write(u"", u"x"));
}

TEST_F(SettingsFile, FileEndsWithExactlyOneCrLf) {
    Put(u"a = 1\r\n\r\n\r\n");
    ASSERT_TRUE(Write(u"b", u"2"));
    EXPECT_EQ(Get(), u"a = 1\r\nb = 2\r\n");
    Put(u"a = 1");
    ASSERT_TRUE(Write(u"a", u"3"));
    EXPECT_EQ(Get(), u"a = 3\r\n");
}

TEST_F(SettingsFile, UnreadableFileStopsTheLoadAtThatField) {
    path_ = ModSetting::SettingsPath(u"");  // the path names the program folder itself
    EXPECT_FALSE(Read(u"删除行", u"").has_value());
    EXPECT_TRUE(Load().empty());
    EXPECT_FALSE(Write(u"删除行", u"x"));
}

TEST(UserSettings, RecentListKeepsEachFileOnceNewestFirstAndAtMostTen) {
    const struct {
        const char* name;
        QStringList before;
        QString added;
        QStringList after;
    } rows[] = {
        {"first", {}, "/a", {"/a"}},
        {"new goes first", {"/a", "/b"}, "/c", {"/c", "/a", "/b"}},
        {"known moves up", {"/a", "/b", "/c"}, "/c", {"/c", "/a", "/b"}},
        {"eleventh drops the oldest",
         {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9", "/10"},
         "/n",
         {"/n", "/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9"}},
        {"a name no line can hold is not put in", {"/1"}, "/a\nb", {"/1"}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(settings::WithRecent(r.before, r.added), r.after) << r.name;
}

TEST(UserSettings, StoredBytesGiveBackWhatWasStored) {
    settings::UserSettings s;
    s.lineNumbers = true;
    s.wrap = true;
    // A GBK name unpacked as bytes, and a name no line can hold.
    const QString gbk = files::PathFromBytes("/书/\xb5\xda.txt");
    s.recent = {QStringLiteral("/书/一.txt"), gbk, QStringLiteral("/a\nb.txt")};
    const settings::UserSettings back = settings::ParseSettings(settings::FormatSettings(s));
    EXPECT_TRUE(back.lineNumbers);
    EXPECT_TRUE(back.wrap);
    EXPECT_EQ(back.recent, QStringList({QStringLiteral("/书/一.txt"), gbk}));
    EXPECT_FALSE(settings::ParseSettings("LineNumbers=0\nnoise\n").lineNumbers);
    EXPECT_TRUE(settings::ParseSettings("LineNumbers=1\r\nWrap=1\r\n").wrap) << "CR LF lines";
}

TEST(RecoveryEdits, TheLogReplayedGivesTheTextAsEdited) {
    const struct {
        const char* name;
        std::vector<settings::TextEdit> edits;
        std::u16string after;
        std::size_t logged;
    } rows[] = {
        {"typing on is one edit",
         {{2, 0, u"x"}, {3, 0, u"y"}, {4, 0, u"\r\n"}},
         u"一二xy\r\n三四",
         1},
        {"backspace takes back what was typed", {{2, 0, u"xy"}, {3, 1, u""}}, u"一二x三四", 1},
        {"backspace before it is an edit of its own", {{2, 0, u"x"}, {1, 2, u""}}, u"一三四", 2},
        {"replacing and then typing elsewhere", {{0, 2, u"甲"}, {3, 0, u"乙"}}, u"甲三四乙", 2},
    };
    for (const auto& r : rows) {
        std::vector<settings::TextEdit> log;
        for (const settings::TextEdit& e : r.edits) settings::AddEdit(log, e);
        std::u16string text = u"一二三四";
        settings::ApplyEdits(text, log);
        EXPECT_TRUE(text == r.after) << r.name;
        EXPECT_EQ(log.size(), r.logged) << r.name;
    }
}

// A failing copy is told once a stretch of unsaved text. At the next start a
// damaged copy and one of a deep path are found, read in the room of the text.
TEST(RecoveryCopy, FailuresToldOnceAndCopiesFoundAndReadBack) {
    uitest::OwnUserFolders folders;
    const QString path = QStringLiteral("/文件夹").repeated(300);
    int told = 0;
    {
        settings::RecoveryCopy copy([&told](const QString&) { ++told; });
        const uitest::FileSizeLimit limit(64);
        for (const bool remove : {false, false, true, false}) {
            remove ? copy.Remove() : copy.Write(u"字", {}, {});
            copy.Settle();
        }
    }
    EXPECT_EQ(told, 2);
    settings::RecoveryCopy(nullptr).Write(std::u16string(16 << 20, u'字'), {}, {path, {}, true, 1});
    ASSERT_TRUE(uitest::WriteBytes(settings::RecoveryFolder() + "/1-x.recovery", "QMRECOVERY1\n"));
    std::vector<settings::FoundCopy> found = settings::FindRecoveryCopies();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_FALSE(found[0].Damaged().isEmpty());
    EXPECT_TRUE(found[1].Info().path == path);
    std::u16string text;
    settings::RecoveryInfo info;
    const testsupport::PeakMemory memory;
    ASSERT_TRUE(found[1].Read(text, info));
    EXPECT_LT(memory.Measured() ? memory.Rise() : 0, 3 * text.size());
}
