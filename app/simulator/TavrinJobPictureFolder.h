#pragma once

#include <QString>

namespace lunvik {

// Where the simulator writes the pictures of received jobs: "job-<n>.png",
// numbered on from the pictures already there, so that a new start never
// writes over the jobs of an earlier one.
class TavrinJobPictureFolder {
public:
    explicit TavrinJobPictureFolder(QString folder);

    // The path for the next job; a number that is taken is skipped.
    QString nextPath();

private:
    QString m_folder;
    int m_next = 1;
};

} // namespace lunvik
