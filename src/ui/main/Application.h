// The program's QApplication, for the program and its window tests alike.
#pragma once

#include <QApplication>

namespace ui {

// Running out of memory in a command (a text too large for what it builds)
// ends in a std::bad_alloc. Qt cannot pass an exception on through its event
// loop, so every event is delivered here: one that runs out of memory is
// told to the user, and the program goes on with the next event. The
// commands themselves leave the document and files as they were when they
// fail (they build a new text before it replaces the old; files are written
// whole or not at all).
class Application : public QApplication {
  public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The message the user sees.
    static QString OutOfMemoryText();
};

}  // namespace ui
