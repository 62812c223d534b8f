#pragma once

// The program `Lunvik` in a child process printing to the simulator program
// on a socket, both with folders of their own, driven over the session bus as
// a script drives it: LoadImage, then Print until the simulator has read the
// job's last byte. Needs a session bus (tools/with-session-bus.sh).

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace bench {

class ProgramPrinter {
public:
    // Starts the simulator and the program, scripted prints allowed, and
    // waits until the program answers on the bus; error() tells what failed.
    ProgramPrinter(const QString& program, const QString& simulator);
    ~ProgramPrinter();
    ProgramPrinter(const ProgramPrinter&) = delete;
    ProgramPrinter& operator=(const ProgramPrinter&) = delete;

    const QString& error() const { return m_error; }

    // A file of these bytes in the folder; its path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    // Loads the picture into the program's first document.
    bool loadImage(const QString& path);
    // Milliseconds from the Print call until the simulator reports the
    // whole job; negative when the print failed. Returns once Print has
    // answered too.
    double printToLastByte();

private:
    bool fail(const QString& what);

    QTemporaryDir m_folder;
    QProcess m_simulator;
    QProcess m_program;
    QString m_document;
    int m_jobs = 0;
    QString m_error;
};

} // namespace bench
