#include "core/window/MoviePlayer.h"

#include "platform/ModuleLoader.h"

namespace kestrom {

QString MoviePlayer::moduleFileName() {
    return QStringLiteral("liblunvik-movie-player.so");
}

std::unique_ptr<MoviePlayer> MoviePlayer::play(const QUrl& source, FrameHandler frames) {
    // Looked up once; a module that is missing is told once.
    static const auto entry = reinterpret_cast<LunvikMoviePlayerEntry>(
        platform::ModuleLoader::entry(moduleFileName(), "lunvikMoviePlayer"));
    if (!entry) {
        return nullptr;
    }
    return std::unique_ptr<MoviePlayer>(entry(source, std::move(frames)));
}

} // namespace kestrom
