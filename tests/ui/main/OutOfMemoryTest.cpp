// Inputs larger than memory: the commands that build in proportion to their
// input refuse before they build, and whatever still runs out of memory is
// told at the event loop, the document left as it was, the program going on.
// The real cases run in a child process whose address space is limited
// (RLIMIT_AS), so that running out is real and cannot take the tests with it.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <functional>
#include <new>
#include <string>

#include "UiTestSupport.h"
#include "core/tools/Combine.h"
#include "core/tools/Tidy.h"
#include "files/FileJobs.h"
#include "ui/main/Application.h"
#include "ui/main/Form1.h"

#if defined(__SANITIZE_ADDRESS__)
#define QM_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_UNDER_ASAN 1
#endif
#endif

namespace {

#ifdef QM_UNDER_ASAN
constexpr bool kUnderAsan = true;
#else
constexpr bool kUnderAsan = false;
#endif
#define SKIP_UNDER_ASAN()                                                                  \
    if (kUnderAsan)                                                                        \
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space up front, so a " \
                    "limit on it (RLIMIT_AS) cannot be set"

// The address space this process has mapped now, in bytes.
std::uint64_t MappedBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmSize:") {
            std::uint64_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
    }
    return 0;
}

struct ChildEnd {
    bool exited = false;  // rather than killed by a signal (an uncaught bad_alloc aborts)
    int code = -1;
    int signal = 0;
    std::string said;
};

// Runs body in a child process that may map only `room` bytes more than it
// has at the start; body tells what it saw in `say` and returns the exit code.
ChildEnd UnderMemoryLimit(std::uint64_t room, const std::function<int(std::string& say)>& body) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = MappedBytes() + room;
        int code = 90;
        std::string say;
        if (::setrlimit(RLIMIT_AS, &limit) == 0) code = body(say);
        if (::write(fds[1], say.data(), say.size()) < 0) code = 91;
        ::_exit(code);
    }
    ::close(fds[1]);
    ChildEnd end;
    // A child that hangs is killed after a minute rather than hanging the tests.
    QElapsedTimer clock;
    clock.start();
    char buf[4096];
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 1000) > 0) {
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            end.said.append(buf, static_cast<std::size_t>(n));
        }
        if (clock.elapsed() > 60000) {
            ::kill(pid, SIGKILL);
            end.said += " (killed: no end after a minute)";
            break;
        }
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    end.exited = WIFEXITED(status);
    end.code = end.exited ? WEXITSTATUS(status) : -1;
    end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return end;
}

void ExpectCleanEnd(const ChildEnd& end) {
    EXPECT_TRUE(end.exited) << "the child died of signal " << end.signal << " " << end.said;
    EXPECT_EQ(end.code, 0) << end.said;
}

std::vector<std::u16string> Wide() { return std::vector(1000, std::u16string(1000, u'字')); }

}  // namespace

// ---- commands that estimate first ----

TEST(OutOfMemory, CombinationsTooLongAreRefusedBeforeBuilding) {
    SKIP_UNDER_ASAN();
    const auto wide = Wide();
    // Room for the lists many times over, not for 4 GB of combinations.
    ExpectCleanEnd(UnderMemoryLimit(256u << 20, [&](std::string& say) {
        const auto built = qm::combine::Combine({wide, wide}, u"");
        say = built ? "built" : "refused";
        return built ? 1 : 0;
    }));
}

TEST(OutOfMemory, TheCombinationWindowGivesTheSize) {
    auto w = uitest::StartForm();
    w->findChild<QPushButton*>("CmdZuHe")->click();
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmZiFuZuHe"));
    ASSERT_NE(f, nullptr);
    QStringList lines;
    for (const auto& item : Wide()) lines << QString::fromStdU16String(item);
    f->findChild<QPlainTextEdit*>("TxtList1")->setPlainText(lines.join('\n'));
    f->findChild<QPlainTextEdit*>("TxtList2")->setPlainText(lines.join('\n'));
    EXPECT_EQ(f->findChild<QLabel*>("LblCount")->text(),
              QStringLiteral("共 1000000 种组合（太长）"));
    auto msg = uitest::AcceptNextMessage();
    f->findChild<QPushButton*>("CmdZuHe")->click();
    EXPECT_TRUE(msg->seen);
    EXPECT_TRUE(msg->text.contains(QStringLiteral("2002000000 个字符"))) << msg->text.toStdString();
    EXPECT_TRUE(msg->text.contains(QStringLiteral("3.73GB"))) << msg->text.toStdString();
    EXPECT_TRUE(f->findChild<QPlainTextEdit*>("TxtJieGuo")->toPlainText().isEmpty());
}

TEST(OutOfMemory, BatchReplaceRefusesAFileLargerThanMemory) {
    SKIP_UNDER_ASAN();
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(std::int64_t{5} << 30));  // sparse: takes no disk
    }
    ExpectCleanEnd(UnderMemoryLimit(256u << 20, [&](std::string& say) {
        const files::Outcome r = files::ReplaceInFile(path, u"a", u"b", true);
        say = r.why.toStdString();
        return !r.ok && r.why.contains(QStringLiteral("文件太大（5GB）")) ? 0 : 1;
    }));
    EXPECT_EQ(QFileInfo(path).size(), std::int64_t{5} << 30);
    EXPECT_FALSE(QFileInfo::exists(path + ".BAK"));
}

// ---- the guard at the event loop ----

namespace {
// An event handler that runs out of memory.
class Hungry : public QObject {
  public:
    int handled = 0;
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        ++handled;
        throw std::bad_alloc();
    }
};
}  // namespace

TEST(OutOfMemory, TheEventLoopTellsAndGoesOn) {
    ASSERT_NE(dynamic_cast<ui::Application*>(QCoreApplication::instance()), nullptr);
    Hungry hungry;
    auto msg = uitest::AcceptNextMessage();
    QCoreApplication::postEvent(&hungry, new QEvent(QEvent::User));
    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    // No clock: a test that hangs is ended by ctest's own limit.
    while (!msg->seen || !later) QCoreApplication::processEvents();
    EXPECT_EQ(hungry.handled, 1);
    EXPECT_TRUE(msg->seen);
    EXPECT_TRUE(msg->text.startsWith(QStringLiteral("内存不足"))) << msg->text.toStdString();
    EXPECT_TRUE(later) << "events after the failure are still delivered";
}

// A real command, "段落间加空行", runs out of memory halfway through
// rebuilding a large document: the user is told, the document is as it was,
// and once memory is there again the command works. It runs in a fresh
// process of the test program (a fork would inherit the window system's and
// earlier tests' threads only in part), which limits its own address space.
TEST(OutOfMemory, ACommandThatRunsOutLeavesTheDocumentAsItWas) {
    SKIP_UNDER_ASAN();
    const char* const kChild = "QM_OUT_OF_MEMORY_CHILD";
    if (!qEnvironmentVariableIsSet(kChild)) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kChild, "1");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
        ASSERT_TRUE(child.waitForFinished(-1));
        const QString said = QString::fromUtf8(child.readAll());
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << said.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << said.toStdString();
        EXPECT_TRUE(said.contains("[  PASSED  ] 1 test")) << said.toStdString();
        return;
    }
    std::u16string text;
    for (int i = 0; i < 200'000; ++i) text += u"第" + std::u16string(1, u'0' + i % 10) + u"行\r\n";
    auto w = uitest::StartForm();
    w->Doc().SetText(text);
    QCoreApplication::processEvents();
    // Room for the command's own copy of the text and a little more, not
    // for the rebuilt text beside it.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &limit), 0);
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = MappedBytes() + 3 * text.size();
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &limit), 0);
    auto msg = uitest::AcceptNextMessage();
    auto* button = w->findChild<QPushButton*>("CmdKongYiHang");
    QTimer::singleShot(0, button, &QPushButton::click);
    while (!msg->seen) QCoreApplication::processEvents();
    limit.rlim_cur = before;
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &limit), 0);
    ASSERT_TRUE(msg->seen) << "the command did not run out of memory";
    EXPECT_TRUE(msg->text.startsWith(QStringLiteral("内存不足"))) << msg->text.toStdString();
    EXPECT_TRUE(w->Doc().Text() == text) << w->Doc().Text().size() << " units";
    button->click();
    std::u16string expected;
    qm::tidy::EmptyLineAfterEveryLine(text, [&](std::u16string_view c) { expected += c; });
    EXPECT_TRUE(w->Doc().Text() == expected) << "the command works once memory is there";
}
