// The one gate every command of the main window and its tool windows passes.
//
// A long command lets window events run while it works (so the window
// repaints), which would let the user start other commands on the half-built
// text. While such a command holds the gate, every other command is refused
// here: menus, toolbar, buttons, keys and tool windows alike.
#pragma once

#include <QObject>
#include <functional>

namespace ui {

class CommandGate : public QObject {
    Q_OBJECT
  public:
    bool Busy() const { return holders_ > 0; }

    // Runs command unless a long command holds the gate; then tells the user
    // and returns false.
    bool Run(const std::function<void()>& command);

    // A callable that runs f through the gate, for connecting to signals.
    template <class F>
    auto Guard(F f) {
        return [this, f](auto&&...) { Run(f); };
    }

    // Held by a long command for as long as it runs.
    class Hold {
      public:
        explicit Hold(CommandGate& gate);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        CommandGate& gate_;
    };

    // Told as each command starts (the undo history groups its steps by it)
    // and when it has ended.
    std::function<void()> onCommand;
    std::function<void()> onCommandDone;

  signals:
    void busyChanged(bool busy);
    // A command was refused because another one is running.
    void refused();

  private:
    int holders_ = 0;
};

}  // namespace ui
