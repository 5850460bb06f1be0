#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <string>

#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

namespace uitest {

namespace {

// One long-lived poller and a queue of answers: each answer takes the next
// modal dialog that was not answered before.
struct ModalAnswerer {
    QTimer timer;
    std::deque<std::function<void(QWidget*)>> answers;
    QPointer<QWidget> lastAnswered;

    ModalAnswerer() {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (w == nullptr || w == lastAnswered || answers.empty()) return;
            lastAnswered = w;
            auto answer = std::move(answers.front());
            answers.pop_front();
            if (answers.empty()) timer.stop();
            answer(w);
        });
    }
};

ModalAnswerer& Answerer() {
    static auto* a = new ModalAnswerer;  // lives as long as the application
    return *a;
}

}  // namespace

void OnNextModal(std::function<void(QWidget*)> answer) {
    Answerer().answers.push_back(std::move(answer));
    Answerer().timer.start();
}

std::shared_ptr<SeenMessage> AcceptNextMessage() {
    auto seen = std::make_shared<SeenMessage>();
    OnNextModal([seen](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box == nullptr) return;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->seen = true;
        box->accept();
    });
    return seen;
}

std::shared_ptr<QString> AnswerNextQuestion(QMessageBox::StandardButton answer) {
    auto said = std::make_shared<QString>();
    OnNextModal([said, answer](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box == nullptr || box->button(answer) == nullptr) return;
        *said = box->text();
        box->button(answer)->click();
    });
    return said;
}

namespace {

// Answers the next message box by clicking the button `pick` finds in it.
std::shared_ptr<SeenMessage> AnswerMessageWith(std::function<QAbstractButton*(QMessageBox*)> pick,
                                               const std::string& which) {
    auto seen = std::make_shared<SeenMessage>();
    OnNextModal([seen, pick, which](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr) << "no message box to answer with " << which;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->seen = true;
        QAbstractButton* button = pick(box);
        ASSERT_NE(button, nullptr) << which;
        button->click();
    });
    return seen;
}

}  // namespace

std::shared_ptr<SeenMessage> AnswerNextMessage(QMessageBox::StandardButton button) {
    return AnswerMessageWith([button](QMessageBox* box) { return box->button(button); },
                             "button " + std::to_string(button));
}

std::shared_ptr<SeenMessage> ClickInNextMessage(const char* buttonName) {
    const QString name = QString::fromLatin1(buttonName);
    return AnswerMessageWith(
        [name](QMessageBox* box) { return box->findChild<QPushButton*>(name); }, buttonName);
}

void Trigger(QWidget* window, const char* name) {
    auto* a = window->findChild<QAction*>(QString::fromUtf8(name));
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
}

QAction* Action(QWidget* window, const char* name) {
    auto* a = window->findChild<QAction*>(QString::fromUtf8(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
}

QString PanelText(QWidget* window, int n) {
    auto* panel = window->findChild<QLabel*>(QStringLiteral("Panel%1").arg(n));
    EXPECT_NE(panel, nullptr) << "Panel" << n;
    return panel ? panel->text() : QString();
}

ui::EditorView* Box(QWidget* window) {
    return window->findChild<ui::EditorView*>(QStringLiteral("RichTextBox1"));
}

void ActivateAndFocus(QWidget* window) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    Box(window)->setFocus();
    QCoreApplication::processEvents();
}

QWidget* OpenTool(QWidget* window, const char* button, const QString& toolWindow) {
    if (auto* b = Get<QPushButton>(window, button)) b->click();
    return TopLevel(toolWindow);
}

std::shared_ptr<QString> AnswerNextFileDialog(const QString& path) {
    auto title = std::make_shared<QString>();
    OnNextModal([path, title](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (dialog == nullptr) return;
        *title = dialog->windowTitle();
        if (path.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(path);
            // A save dialog does not select a file that does not exist yet: type it.
            if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit")) edit->setText(path);
            // Queued: a question the dialog asks on accepting must find the
            // answering timer free.
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
    });
    return title;
}

void AnswerNextFileDialogWithFiles(const QStringList& paths) {
    OnNextModal([paths](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (dialog == nullptr || paths.isEmpty()) return;
        dialog->setDirectory(QFileInfo(paths.first()).absolutePath());
        QStringList quoted;
        for (const QString& p : paths) quoted << QLatin1Char('"') + QFileInfo(p).fileName() + '"';
        // The dialog's own way of naming several files: each quoted, in one field.
        if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit")) {
            edit->setText(quoted.join(QLatin1Char(' ')));
        }
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
}

void ConfirmNextOverwrite() {
    OnNextModal([](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) box->button(QMessageBox::Yes)->click();
    });
}

QString ShownText(const ui::EditorView* box) {
    QStringList lines;
    const qm::LineIndex& index = box->Lines();
    for (std::size_t i = 0; i < index.LineCount(); ++i) {
        const std::size_t start = index.LineStart(i);
        lines << ui::EditorView::DisplayText(
            std::u16string_view(box->Doc().Text()).substr(start, index.LineEnd(i) - start));
    }
    return lines.join(QLatin1Char('\n'));
}

QWidget* TopLevel(const QString& name) {
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name && w->isVisible()) found = w;
    }
    return found;
}

OwnUserFolders::OwnUserFolders()
    : config_(qgetenv("XDG_CONFIG_HOME")), data_(qgetenv("XDG_DATA_HOME")) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(Data()));
}

OwnUserFolders::~OwnUserFolders() {
    qputenv("XDG_CONFIG_HOME", config_);
    qputenv("XDG_DATA_HOME", data_);
}

std::unique_ptr<Form1> StartForm() {
    auto w = std::make_unique<Form1>();
    w->show();
    QCoreApplication::processEvents();
    return w;
}

}  // namespace uitest

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

namespace uitest {

FileSizeLimit::FileSizeLimit(long long bytes) {
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    oldSoft_ = static_cast<long long>(r.rlim_cur);
    r.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &r);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    r.rlim_cur = static_cast<rlim_t>(oldSoft_);
    setrlimit(RLIMIT_FSIZE, &r);
    std::signal(SIGXFSZ, oldHandler_);
}

struct NamedPipe::State {
    QByteArray path;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::atomic<bool> rescued{false};
    std::thread helper;
};

NamedPipe::NamedPipe(const QString& path, int rescueMs) : state_(std::make_shared<State>()) {
    state_->path = QFile::encodeName(path);
    made_ = ::mkfifo(state_->path.constData(), 0600) == 0;
    if (!made_) return;
    state_->helper = std::thread([s = state_, rescueMs] {
        std::unique_lock<std::mutex> lock(s->m);
        if (s->cv.wait_for(lock, std::chrono::milliseconds(rescueMs), [&] { return s->done; })) {
            return;
        }
        // Opening both ends never blocks, and lets a blocked reader through to
        // an end of file when it is closed again.
        const int fd = ::open(s->path.constData(), O_RDWR | O_NONBLOCK);
        s->rescued = true;
        if (fd >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ::close(fd);
        }
    });
}

NamedPipe::~NamedPipe() {
    {
        std::lock_guard<std::mutex> lock(state_->m);
        state_->done = true;
    }
    state_->cv.notify_all();
    if (state_->helper.joinable()) state_->helper.join();
    if (made_) ::unlink(state_->path.constData());
}

bool NamedPipe::Rescued() const { return state_->rescued; }

}  // namespace uitest
