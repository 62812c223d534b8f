#pragma once

#include "core/document/job/PrintDocument.h"

#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace documenttest {

// The models every document test sees, served by one test plug-in:
// - "Alder": 254 dpi (10 px per mm); canvases A4 (297 x 210) and A3; anchors
//   topLeft, center, bottomRight; usb and wifi; halftone offered; settings
//   "speed" (number 1...10, default 5), "vacuum" (switch, on) and "mode"
//   (pick list fine/fast, default fine).
// - "Birch": 300 dpi; canvases B5 and "Wide" (297 x 210, A4's size); anchors
//   topLeft and top (no centre); wifi only; no halftone; "speed" 2...8.
// - "Cedar": 254 dpi; canvases A3 and A4 (as Alder's); anchors center and
//   topLeft; usb only; no settings.
const QString alderName = QStringLiteral("Alder");
const QString birchName = QStringLiteral("Birch");
const QString cedarName = QStringLiteral("Cedar");

std::shared_ptr<const ambrel::DeviceDescriptor> model(const QString& name);
// How many times the test plug-in was asked to ready a print to the model.
int printPreparations(const QString& modelName);
// Closes the undo group of the current event, as the event loop does.
void endEvent();
// A picture of the given size, decoded from PNG bytes.
ambrel::OriginalImage::Pointer picture(int width, int height);

// Counts the notifications of key paths of an object.
class ChangeCounter {
public:
    ChangeCounter(platform::Observable& object, const QStringList& keyPaths);
    ChangeCounter(const ChangeCounter&) = delete;
    ChangeCounter& operator=(const ChangeCounter&) = delete;

    int count(const QString& keyPath) const { return m_counts.value(keyPath); }
    int total() const;
    void reset() { m_counts.clear(); }

private:
    std::vector<platform::Observation> m_observations;
    QHash<QString, int> m_counts;
};

// Registers the plug-in (once per process) and points the user defaults at
// a fresh file; each test runs in its own process.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override;

    QTemporaryDir m_folder;
};

} // namespace documenttest
