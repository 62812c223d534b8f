#pragma once

// The picture workers as a test wants them, for as long as it holds this:
// playing the faults their documents' markers ask for, and with shorter
// deadlines. Workers already running keep what they started with, so the
// idle ones are ended on the way in and out.

#include <QByteArray>

class PictureWorkerTestSettings {
public:
    // deadline: milliseconds for every request; 0 keeps the deadlines.
    explicit PictureWorkerTestSettings(bool faults, int deadline = 0);
    ~PictureWorkerTestSettings();
    PictureWorkerTestSettings(const PictureWorkerTestSettings&) = delete;
    PictureWorkerTestSettings& operator=(const PictureWorkerTestSettings&) = delete;

private:
    QByteArray m_faults;
    QByteArray m_deadline;
};
