#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

namespace lunvik {

// Command lines read from a file (the program's standard input) while
// watching a stop: a descriptor that becomes readable when the program is to
// end. The stop ends the wait at once, whether it came before the wait or
// during it, and goes before lines not yet taken. Once the input has ended,
// the wait is for the stop alone.
//
// The terminal of a program in the background of its shell is not read (the
// read would fail, or stop the program): it is looked at again every half
// second, until the program is brought to the foreground.
class CommandInput {
public:
    CommandInput(int input, int stop);

    // Called once, the first time the input is the terminal of a program in
    // the background.
    std::function<void()> inBackground;

    // The next line, without its end; nothing once the stop has come.
    std::optional<QByteArray> next();

private:
    bool stopped(int timeout) const;
    bool readsFromBackground() const;
    void waitInBackground();
    void readSome();

    int m_input;
    int m_stop;
    QByteArray m_pending;
    bool m_ended = false;
    bool m_toldBackground = false;
};

} // namespace lunvik
