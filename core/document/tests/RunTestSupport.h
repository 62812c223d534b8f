#pragma once

#include "core/document/runs/RunPresenter.h"
#include "model/connections/DeviceConnection.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/MaintenanceAction.h"
#include "model/errors/ConnectionError.h"
#include "model/pictures/OriginalImage.h"
#include "platform/Bundle.h"
#include "platform/CancellationError.h"
#include "platform/Progress.h"
#include "platform/ScriptCommand.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <optional>

// Fakes for device runs: a window that records what it is asked to show, a
// script command, and connections that succeed, fail or wait to be cancelled.
namespace run_test {

inline std::shared_ptr<const ambrel::DeviceDescriptor> model(const char* name) {
    const QByteArray json = QStringLiteral(R"([{
        "modelName": "%1", "printerType": "fake", "headDotCount": 256, "dpi": 300,
        "canvases": [{"identifier": "C", "size_mm": {"width": 20, "height": 100}}],
        "offsetBases": ["center"],
        "maintenanceActions": [{"identifier": "clean"}]
    }])")
                                .arg(QString::fromUtf8(name))
                                .toUtf8();
    return ambrel::DeviceDescriptor::deviceDescriptors(
               json, platform::Bundle::named(QStringLiteral("RunTestPlugin")))
        .first();
}

inline ambrel::OriginalImage::Pointer picture() {
    QImage image(8, 8, QImage::Format_Grayscale8);
    image.fill(0);
    return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
}

class FakeConnection : public ambrel::DeviceConnection {
public:
    enum class Behaviour { succeed, fail, waitForCancel };

    FakeConnection(
        std::shared_ptr<const ambrel::DeviceDescriptor> model, Behaviour behaviour,
        ambrel::ConnectionError::Case failure = ambrel::ConnectionError::Case::printerIsBusy)
        : DeviceConnection(std::move(model), ambrel::TransportType::usb), behaviour(behaviour),
          failure(failure) {}

    void print(const ambrel::PrintTask& task,
               const std::shared_ptr<platform::Progress>& progress) override {
        printedOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        printedModel = task.deviceDescriptor()->modelName();
        act(progress);
    }
    void performMaintenanceAction(const ambrel::MaintenanceAction& action,
                                  const std::shared_ptr<platform::Progress>& progress) override {
        maintained = action.identifier;
        act(progress);
    }

    Behaviour behaviour;
    ambrel::ConnectionError::Case failure;
    std::atomic<bool> printedOnMainThread{true};
    QString printedModel;
    QString maintained;

private:
    void act(const std::shared_ptr<platform::Progress>& progress) {
        switch (behaviour) {
        case Behaviour::succeed:
            return;
        case Behaviour::fail:
            throw ambrel::ConnectionError(failure);
        case Behaviour::waitForCancel:
            while (!progress->waitForCancellation(std::chrono::milliseconds(20))) {
            }
            throw ambrel::ConnectionError(ambrel::ConnectionError::Case::userCancelled);
        }
    }
};

class RecordingPresenter : public kestrom::RunPresenter {
public:
    void showProgressSheet(const QString& title,
                           const std::shared_ptr<platform::Progress>& progress) override {
        sheetTitle = title;
        sheetProgress = progress;
        sheetShown = true;
        ++sheetsShown;
        events << QStringLiteral("sheet");
    }
    void dismissProgressSheet() override {
        sheetShown = false;
        events << QStringLiteral("dismiss");
    }
    bool hasWindow() const override { return window; }
    void beep() override { events << QStringLiteral("beep"); }
    void presentError(const platform::Error& error) override {
        events << QStringLiteral("error");
        errorDescription = error.localizedDescription();
        errorSuggestion = error.localizedRecoverySuggestion();
        errorIsConnectionCase = std::nullopt;
        if (auto* c = dynamic_cast<const ambrel::ConnectionError*>(&error)) {
            errorIsConnectionCase = c->errorCase();
        }
    }
    void askScriptingAcceptance(std::function<void(bool, bool)> answer) override {
        events << QStringLiteral("ask");
        answer(acceptScripts, acceptAlways);
    }
    void showCompletionAlert(const ambrel::DeviceDescriptor::CompletionAlertInfo& info,
                             std::function<void()> done) override {
        events << QStringLiteral("completion");
        completion = info;
        done();
    }

    bool window = true;
    bool acceptScripts = true;
    bool acceptAlways = false;
    bool sheetShown = false;
    int sheetsShown = 0;
    QString sheetTitle;
    std::shared_ptr<platform::Progress> sheetProgress;
    QStringList events;
    QString errorDescription;
    std::optional<QString> errorSuggestion;
    std::optional<ambrel::ConnectionError::Case> errorIsConnectionCase;
    std::optional<ambrel::DeviceDescriptor::CompletionAlertInfo> completion;
};

// A script command that is suspended while the run goes on.
inline std::shared_ptr<platform::ScriptCommand> scriptCommand(int* completions = nullptr) {
    auto command = platform::ScriptCommand::make(QStringLiteral("print"),
                                                 [completions](const platform::ScriptCommand&) {
                                                     if (completions) {
                                                         ++*completions;
                                                     }
                                                 });
    return command;
}

// Lets the event loop deliver what workers posted until the condition holds.
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    return QTest::qWaitFor(condition, milliseconds);
}

} // namespace run_test
