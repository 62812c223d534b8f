#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

class QMediaPlayer;
class QVideoSink;

namespace kestrom {

// Lets a movie player's media back end go without the main thread waiting
// for it. Stopping or deleting a player whose movie is still loading waits
// for the loading (up to a second) on the calling thread, and one that
// plays waits for the frame being handed over: the loading and the frames
// need the main thread, which waits for them. So the player is paused at
// once (which waits for nothing) and let go once its movie has loaded and
// the pause has settled, or on an error; at the latest after a while, or
// when the application ends.
class MovieTeardown : public QObject {
public:
    // Takes the player (its frames no longer wanted) and its sink. Main thread.
    static void begin(std::unique_ptr<QMediaPlayer> player, std::unique_ptr<QVideoSink> sink);
    // Players handed over whose back end is not let go yet.
    static int pendingCount();

    ~MovieTeardown() override;

private:
    MovieTeardown(std::unique_ptr<QMediaPlayer> player, std::unique_ptr<QVideoSink> sink);

    void settleUnlessLoading();
    void settle();
    void finish();
    static void finishAll();

    std::unique_ptr<QMediaPlayer> m_player;
    std::unique_ptr<QVideoSink> m_sink;
    QTimer m_timer;
    bool m_settling = false;
};

} // namespace kestrom
