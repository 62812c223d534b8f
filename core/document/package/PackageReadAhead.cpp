#include "core/document/package/PackageReadAhead.h"

#include "platform/MainThread.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace kestrom {

namespace {

struct Read {
    PackageDecodeBound bound;
    bool done = false;
    std::optional<DocumentPackage::Contents> contents;
    std::shared_ptr<const platform::Error> error;
    // Who took the read before it was done.
    DocumentPackage::LoadHandler taker;
    // The settings, put here by the reading thread as soon as they parse,
    // so that a take() on the main thread finds them at once.
    std::mutex settingsLock;
    std::optional<QVariantMap> settings;
    // Who took the read before its settings parsed.
    std::function<void(const QVariantMap&)> settingsTaker;
};

// By absolute path. A read leaves when it is taken or dropped; its result
// is kept by whoever holds it then.
std::map<QString, std::shared_ptr<Read>>& pending() {
    static std::map<QString, std::shared_ptr<Read>> reads;
    return reads;
}

} // namespace

void PackageReadAhead::begin(const QString& path, const PackageDecodeBound& quickDecodeBound) {
    if (pending().contains(path)) {
        return;
    }
    auto read = std::make_shared<Read>();
    read->bound = quickDecodeBound;
    pending().emplace(path, read);
    DocumentPackage::loadInBackground(
        path,
        [read](std::optional<DocumentPackage::Contents> contents,
               std::shared_ptr<const platform::Error> error) {
            if (read->taker) {
                const DocumentPackage::LoadHandler taker = std::move(read->taker);
                taker(std::move(contents), std::move(error));
                return;
            }
            read->done = true;
            read->contents = std::move(contents);
            read->error = std::move(error);
        },
        quickDecodeBound,
        [read](const QVariantMap& settings) {
            {
                const std::lock_guard lock(read->settingsLock);
                read->settings = settings;
            }
            // Before the read's end, which the same thread posts later.
            platform::MainThread::post([read, settings] {
                if (const auto taker = std::exchange(read->settingsTaker, {})) {
                    taker(settings);
                }
            });
        });
}

bool PackageReadAhead::take(const QString& path, const PackageDecodeBound& quickDecodeBound,
                            DocumentPackage::LoadHandler& handler,
                            std::function<void(const QVariantMap& settings)> settingsParsed) {
    const auto found = pending().find(path);
    if (found == pending().end()) {
        return false;
    }
    const std::shared_ptr<Read> read = found->second;
    pending().erase(found);
    if (read->bound != quickDecodeBound) {
        return false;
    }
    if (settingsParsed) {
        std::optional<QVariantMap> parsed;
        {
            const std::lock_guard lock(read->settingsLock);
            parsed = read->settings;
        }
        if (parsed) {
            settingsParsed(*parsed);
        } else {
            read->settingsTaker = std::move(settingsParsed);
        }
    }
    if (!read->done) {
        read->taker = std::move(handler);
        return true;
    }
    // As a read of its own would: never before the caller's turn ends.
    platform::MainThread::post([read, handler = std::move(handler)] {
        handler(std::move(read->contents), std::move(read->error));
    });
    return true;
}

void PackageReadAhead::dropAll() {
    pending().clear();
}

int PackageReadAhead::pendingCount() {
    return int(pending().size());
}

} // namespace kestrom
