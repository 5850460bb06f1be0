#include "UiTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>

#include "ui/Form1.h"

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
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    return title;
}

std::unique_ptr<Form1> StartForm() {
    auto w = std::make_unique<Form1>();
    w->show();
    QCoreApplication::processEvents();
    return w;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace uitest
