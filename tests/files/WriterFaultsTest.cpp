// The writer under faults: read-only files, private files and their owners,
// links that point at nothing, system calls that fail, files whose size says
// nothing of what they hold.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <functional>

#include "../ui/UiTestSupport.h"
#include "core/encoding/Encoding.h"
#include "files/FileJobs.h"
#include "files/TextFile.h"
#include "ui/common/Dialogs.h"
#include "ui/main/Form1.h"

namespace {

QByteArray Enc(const QString& path) { return QFile::encodeName(path); }

struct stat StatOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(Enc(path).constData(), &st), 0) << path.toStdString();
    return st;
}
mode_t ModeOf(const QString& path) { return StatOf(path).st_mode & 07777; }
void SetMode(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(Enc(path).constData(), mode), 0);
}
QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}
QString ReadLink(const QString& link) {
    char to[4096];
    const ssize_t n = ::readlink(Enc(link).constData(), to, sizeof to);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(to, n));
}
using testsupport::GbkBytes;

// Runs body in a child process of its own; true when it returned true.
bool InChild(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body() ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

constexpr uid_t kNobody = 65534;

}  // namespace

// ---- read-only files ----

TEST(ReadOnlyFiles, AreRefusedByNameAndLeftWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath("只读.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, "old"));
    SetMode(path, 0444);
    // Tests run as root here, who may write anything: a file nobody may
    // write is read-only all the same.
    const files::Outcome w = files::WriteFileAtomic(path, "new");
    EXPECT_FALSE(w.ok);
    EXPECT_TRUE(w.why.contains(QStringLiteral("“只读.txt”是只读文件"))) << w.why.toStdString();
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("old"));
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_EQ(FilesIn(dir.path()), QStringList{"只读.txt"});
    EXPECT_FALSE(files::CheckWritable(path));

    // Through a link, the target is what counts; the link stays.
    const QString link = dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_FALSE(files::WriteFileAtomic(link, "new").ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("old"));

    // Any write bit makes it writable again; a file not there yet is too.
    SetMode(path, 0644);
    EXPECT_TRUE(files::CheckWritable(path));
    EXPECT_TRUE(files::CheckWritable(dir.filePath("new.txt")));
    EXPECT_TRUE(files::WriteFileAtomic(link, "new").ok);
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("new"));
}

// A file another user owns, in a folder everyone may write: renaming over it
// would succeed, but its owner did not allow writing it.
TEST(ReadOnlyFiles, AFileTheUserMayNotWriteIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(Enc(dir.path()).constData(), 0777), 0);
    const QString path = dir.filePath("root.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, "root's"));
    SetMode(path, 0644);
    QString why;
    const bool refused = InChild([&] {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) return false;
        const files::Outcome w = files::WriteFileAtomic(path, "nobody's");
        return !w.ok && w.why.contains(QStringLiteral("只读")) && !files::CheckWritable(path).ok;
    });
    EXPECT_TRUE(refused);
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("root's"));
    EXPECT_EQ(StatOf(path).st_uid, 0u);
}

TEST(ReadOnlyFiles, BatchReplaceRefusesThemAndReadOnlyBackups) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, GbkBytes(u"甲乙")));
    SetMode(path, 0444);
    files::Outcome r = files::ReplaceInFile(path, u"甲", u"丙", true);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.why.contains(QStringLiteral("只读"))) << r.why.toStdString();
    EXPECT_EQ(uitest::ReadBytes(path), GbkBytes(u"甲乙"));
    EXPECT_EQ(FilesIn(dir.path()), QStringList{"a.txt"});  // no backup either

    // A backup that may not be replaced stops the file's replacement too.
    SetMode(path, 0644);
    ASSERT_TRUE(uitest::WriteBytes(path + ".BAK", "older"));
    SetMode(path + ".BAK", 0444);
    r = files::ReplaceInFile(path, u"甲", u"丙", true);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.why.contains(QStringLiteral("备份"))) << r.why.toStdString();
    EXPECT_TRUE(r.why.contains(QStringLiteral("a.txt.BAK"))) << r.why.toStdString();
    EXPECT_EQ(uitest::ReadBytes(path), GbkBytes(u"甲乙"));
    EXPECT_EQ(uitest::ReadBytes(path + ".BAK"), QByteArray("older"));
}

TEST(ReadOnlyFiles, TheWindowsSaySoInsteadOfSaving) {
    auto w = uitest::StartForm();
    QTemporaryDir dir;
    const QString path = dir.filePath("doc.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, GbkBytes(u"甲乙")));
    SetMode(path, 0444);

    // Saving from the main window.
    auto msg = uitest::AcceptNextMessage();
    EXPECT_FALSE(ui::SaveGbkText(w.get(), path, qm::enc::Encode(u"新", qm::enc::Encoding::Gbk),
                                 ui::kTipTitle));
    EXPECT_TRUE(msg->seen);
    EXPECT_TRUE(msg->text.contains(QStringLiteral("“doc.txt”是只读文件")))
        << msg->text.toStdString();
    EXPECT_EQ(uitest::ReadBytes(path), GbkBytes(u"甲乙"));

    // Batch replace logs it as failed, with the reason.
    w->findChild<QPushButton*>("CmdPiLiangTiHuan")->click();
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmPiLiangTiHuan"));
    ASSERT_NE(f, nullptr);
    uitest::AnswerNextFileDialog(path);
    uitest::Click(f, "Cmd_Fnd");
    uitest::Get<QLineEdit>(f, "Txt_Fnd")->setText(QStringLiteral("甲"));
    uitest::Get<QLineEdit>(f, "Txt_Rep")->setText(QStringLiteral("丙"));
    uitest::Click(f, "Cmd_Rep_All");
    auto* log = uitest::Get<QTreeWidget>(f, "Lst_Viw");
    ASSERT_EQ(log->topLevelItemCount(), 1);
    EXPECT_EQ(log->topLevelItem(0)->text(4), QStringLiteral("失败"));
    EXPECT_TRUE(log->topLevelItem(0)->toolTip(4).contains(QStringLiteral("只读")))
        << log->topLevelItem(0)->toolTip(4).toStdString();
    EXPECT_EQ(uitest::ReadBytes(path), GbkBytes(u"甲乙"));
}

TEST(ReadOnlyFiles, OtherWritersRefuseThemToo) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.txt");
    const QString out = dir.filePath("out.txt");
    ASSERT_TRUE(uitest::WriteBytes(in, "a"));
    ASSERT_TRUE(uitest::WriteBytes(out, "kept"));
    SetMode(out, 0400);
    EXPECT_FALSE(files::MergeFiles({in}, out, "\r\n").ok);
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("kept"));

    files::AtomicWriter writer(out);
    const files::Outcome o = writer.Open();
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.why.contains(QStringLiteral("只读")));
    EXPECT_EQ(FilesIn(dir.path()), (QStringList{"in.txt", "out.txt"}));
}

// ---- permissions and owners ----

TEST(PrivateFiles, BackupsAndRewrittenFilesKeepTheirModeAndOwner) {
    QTemporaryDir dir;
    const QString path = dir.filePath("私密.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, GbkBytes(u"甲乙")));
    SetMode(path, 0600);
    ASSERT_TRUE(files::ReplaceInFile(path, u"甲", u"丙", true).ok);
    EXPECT_EQ(ModeOf(path + ".BAK"), 0600u);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(uitest::ReadBytes(path + ".BAK"), GbkBytes(u"甲乙"));

    // An older, more open backup takes the file's mode too.
    SetMode(path + ".BAK", 0666);
    SetMode(path, 0640);
    ASSERT_TRUE(files::ReplaceInFile(path, u"丙", u"丁", true).ok);
    EXPECT_EQ(ModeOf(path + ".BAK"), 0640u);
    EXPECT_EQ(ModeOf(path), 0640u);

    // A new file gets the usual mode.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(files::WriteFileAtomic(dir.filePath("new.txt"), "x").ok);
    ::umask(mask);
    EXPECT_EQ(ModeOf(dir.filePath("new.txt")), 0644u);

    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    // Root rewriting a user's file leaves it the user's, and its backup too.
    ASSERT_EQ(::chown(Enc(path).constData(), kNobody, kNobody), 0);
    ASSERT_TRUE(files::ReplaceInFile(path, u"丁", u"戊", true).ok);
    EXPECT_EQ(StatOf(path).st_uid, kNobody);
    EXPECT_EQ(StatOf(path).st_gid, kNobody);
    EXPECT_EQ(StatOf(path + ".BAK").st_uid, kNobody);
    EXPECT_EQ(StatOf(path + ".BAK").st_gid, kNobody);
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(ModeOf(path + ".BAK"), 0640u);
}

// ---- links that point at nothing yet ----

TEST(DanglingLinks, SavingCreatesTheTargetAndKeepsTheLink) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const struct {
        const char* link;
        QString to;      // as the link holds it
        QString target;  // where the text must go
    } cases[] = {
        {"relative.txt", "made.txt", dir.filePath("made.txt")},
        {"sub/up.txt", "../made-up.txt", dir.filePath("made-up.txt")},
        {"absolute.txt", dir.filePath("sub/abs.txt"), dir.filePath("sub/abs.txt")},
        {"chain.txt", "relative2.txt", dir.filePath("sub/end.txt")},
    };
    ASSERT_EQ(::symlink("sub/end.txt", Enc(dir.filePath("relative2.txt")).constData()), 0);
    for (const auto& c : cases) {
        const QString link = dir.filePath(c.link);
        ASSERT_EQ(::symlink(Enc(c.to).constData(), Enc(link).constData()), 0);
        const files::Outcome w = files::WriteFileAtomic(link, "text");
        EXPECT_TRUE(w.ok) << c.link << " " << w.why.toStdString();
        EXPECT_TRUE(QFileInfo(link).isSymLink()) << c.link;
        EXPECT_EQ(ReadLink(link), c.to) << c.link;
        EXPECT_EQ(uitest::ReadBytes(c.target), QByteArray("text")) << c.link;
        // And once it exists, it is replaced through the link as any other.
        EXPECT_TRUE(files::WriteFileAtomic(link, "again").ok);
        EXPECT_EQ(uitest::ReadBytes(c.target), QByteArray("again")) << c.link;
    }
    EXPECT_TRUE(QFileInfo(dir.filePath("relative2.txt")).isSymLink());

    // A target in a folder that does not exist, and links in a circle: refused,
    // and every link is left as it was.
    const QString nowhere = dir.filePath("nowhere.txt");
    ASSERT_EQ(::symlink("no/such/folder.txt", Enc(nowhere).constData()), 0);
    EXPECT_FALSE(files::WriteFileAtomic(nowhere, "text").ok);
    EXPECT_TRUE(QFileInfo(nowhere).isSymLink());
    ASSERT_EQ(::symlink("loop2.txt", Enc(dir.filePath("loop1.txt")).constData()), 0);
    ASSERT_EQ(::symlink("loop1.txt", Enc(dir.filePath("loop2.txt")).constData()), 0);
    EXPECT_FALSE(files::WriteFileAtomic(dir.filePath("loop1.txt"), "text").ok);
    EXPECT_TRUE(QFileInfo(dir.filePath("loop1.txt")).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.filePath("loop2.txt")).isSymLink());
}

// ---- system calls that fail ----

// The writer saves in a process of its own, with fdatasync, close or rename
// made to fail (EIO, as a failing disk or network file system gives) for the
// files of one folder. Each failure must be told, and the old file kept.
TEST(WriterSystemCalls, AFailedSyncCloseOrRenameIsNotASave) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    const auto save = [&](const QString& call, const QString& target, QString* out) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_PRELOAD", QStringLiteral(QM_FAILING_CALLS));
        env.insert("QM_FAIL_CALL", call);
        env.insert("QM_FAIL_PATH", dir.path());
        // A sanitized probe wants its runtime first; the shim goes before it.
        const QString asan = env.value("ASAN_OPTIONS");
        env.insert("ASAN_OPTIONS",
                   (asan.isEmpty() ? QString() : asan + ":") + "verify_asan_link_order=0");
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QM_WRITER_PROBE), {target, "new"});
        EXPECT_TRUE(p.waitForFinished(-1));
        *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    QString said;
    // Nothing fails: the probe saves (so a failure below is the call's).
    ASSERT_TRUE(uitest::WriteBytes(path, "old"));
    EXPECT_TRUE(save(QString(), path, &said)) << said.toStdString();
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("new"));

    for (const QString call : {"fdatasync", "close", "rename"}) {
        ASSERT_TRUE(uitest::WriteBytes(path, "old"));
        EXPECT_FALSE(save(call, path, &said)) << call.toStdString() << " failed, yet saved";
        EXPECT_EQ(said, QStringLiteral("读写磁盘时出错")) << call.toStdString();
        EXPECT_EQ(uitest::ReadBytes(path), QByteArray("old")) << call.toStdString();
        EXPECT_EQ(FilesIn(dir.path()), QStringList{"a.txt"}) << call.toStdString();
    }
    // A new file is written in place: a failure leaves no half file behind.
    for (const QString call : {"fdatasync", "close"}) {
        EXPECT_FALSE(save(call, dir.filePath("new.txt"), &said)) << call.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("new.txt"))) << call.toStdString();
    }
}

// A rename that fails for real: the target turned into a folder with files
// in it between opening and committing.
TEST(WriterSystemCalls, ARenameOntoAFolderFailsAndSaysSo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, "old"));
    files::AtomicWriter w(path);
    ASSERT_TRUE(w.Open().ok);
    ASSERT_TRUE(w.Write("new", 3).ok);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir(dir.path()).mkpath("a.txt/inside"));
    EXPECT_FALSE(w.Commit().ok);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(FilesIn(dir.path()), QStringList{});  // the temporary file is gone
}

// ---- files whose size says nothing ----

// /proc files claim a size of 0 whatever they hold: a process's environment
// of 20 KB must be read whole, not to the first read's 4 KB.
TEST(ZeroSizeFiles, AreReadToTheirEndPastTheFirstRead) {
    QProcess child;
    QProcessEnvironment env;
    QString big;
    for (int i = 0; i < 2000; ++i) big += QString::number(i % 10) + QStringLiteral("abcdefghi");
    env.insert("QM_BIG", big);
    child.setProcessEnvironment(env);
    child.start(QStandardPaths::findExecutable("sleep"), {"30"});
    ASSERT_TRUE(child.waitForStarted());
    // Started is not yet exec'd: until then the environment is not the new one.
    const QString exe = QStringLiteral("/proc/%1/exe").arg(child.processId());
    for (int i = 0; i < 500 && !QFileInfo(exe).symLinkTarget().endsWith(QStringLiteral("/sleep"));
         ++i) {
        QThread::msleep(10);
    }
    const QString environ = QStringLiteral("/proc/%1/environ").arg(child.processId());
    struct stat st {};
    ASSERT_EQ(::stat(Enc(environ).constData(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    std::string bytes;
    files::Outcome r = files::ReadBytes(environ, bytes);
    // Under load the new environment may show a moment after the exec: an
    // empty read is tried again (a read cut at 4 KB is not empty).
    for (int i = 0; i < 200 && r.ok && bytes.empty(); ++i) {
        QThread::msleep(10);
        r = files::ReadBytes(environ, bytes);
    }
    child.kill();
    child.waitForFinished(-1);
    ASSERT_TRUE(r.ok) << r.why.toStdString();
    EXPECT_GT(bytes.size(), 20000u);
    EXPECT_NE(bytes.find("QM_BIG=" + big.toStdString() + '\0'), std::string::npos);

    // And a limit is kept whatever size the file claimed.
    std::string status;
    const files::Outcome small =
        files::ReadBytes(QStringLiteral("/proc/self/status"), status, {}, 100);
    EXPECT_FALSE(small.ok);
    EXPECT_TRUE(small.why.contains(QStringLiteral("文件太大"))) << small.why.toStdString();
    EXPECT_TRUE(status.empty());
}
