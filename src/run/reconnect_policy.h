#pragma once

namespace tovrin {

// When a recording that lost its connection connects again: the Reconnect
// setting's count of tries in a row, and the wait before each.
//
// A recording qualifies once one of its runs has stored media; from then on
// every run that ends by losing its connection (the server closed it, a
// socket error, silence, a refused or unanswered try) takes a try, until
// `limit` tries in a row have stored nothing. A try that stores media starts
// the count again. The waits grow 1, 2, 4, 8 s, then stay at 15 s. Pure.
class ReconnectPolicy {
public:
    // A new recording, trying at most `limit` times in a row (0: never).
    void begin(int limit);
    // A run of the recording lost its connection, having stored media or
    // not: true when another try follows, which is then counted.
    bool takeTry(bool storedMedia);
    // The recording has ended: nothing lost afterwards is tried again.
    void end();

    int tryNumber() const { return m_triesInRow; }
    int limit() const { return m_limit; }
    // The wait before the try just taken.
    int delayMs() const;

private:
    int m_limit = 0;
    int m_triesInRow = 0;
    bool m_storedMedia = false;
};

}  // namespace tovrin
