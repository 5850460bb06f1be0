// Helpers for driving windows as a user would.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class QWidget;
class Form1;

namespace uitest {

// Runs `answer` on the next modal dialog that opens (polled from a timer,
// since the dialog blocks the test in its own event loop).
void OnNextModal(std::function<void(QWidget*)> answer);

// What the next message box said; filled in when it is answered with OK.
struct SeenMessage {
    QString title;
    QString text;
    bool seen = false;
};
std::shared_ptr<SeenMessage> AcceptNextMessage();

// Answers the next file dialog with the given path, or cancels it when empty.
std::shared_ptr<QString> AnswerNextFileDialog(const QString& path);

// A started main window, shown and with its events processed.
std::unique_ptr<Form1> StartForm();

// Writes bytes to a file; returns false on failure.
bool WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);

}  // namespace uitest
