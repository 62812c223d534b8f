#pragma once

// The program itself in a child process with folders of its own, answering
// on the test's own session bus.

#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

#include <sys/resource.h>

class LunvikProcess {
public:
    static const QString service;
    static const QString application;

    LunvikProcess();
    ~LunvikProcess();
    LunvikProcess(const LunvikProcess&) = delete;
    LunvikProcess& operator=(const LunvikProcess&) = delete;

    // Another build of the program to start than the one beside the tests;
    // call before start().
    void setProgram(const QString& path) { m_path = path; }
    // Caps the child's address space, in bytes; call before start().
    void capAddressSpace(rlim_t bytes);
    // Settings as a user has them who ticked "always allow" in the question
    // a script's first print asks; call before start().
    void allowScriptedPrints();
    // Starts the program and waits until it is on the bus; the result is
    // checked with ASSERT_NO_FATAL_FAILURE by the caller.
    void start();
    // Ends the program, killing it if it does not end.
    void stop();

    // Its answer to a question about its documents.
    QDBusMessage documentsReply(int timeout = 60000) const;
    // The object paths of its open documents; empty when it does not answer.
    QStringList documents(int timeout = 60000) const;
    // The number of its open documents; -1 when it does not answer.
    int documentCount(int timeout = 60000) const;

    // Kilobytes of a /proc/<pid>/status line such as "VmHWM"; -1 if unread.
    qint64 statusValue(const char* key) const;

    // A file of these bytes in its folder.
    QString write(const QString& name, const QByteArray& bytes) const;
    QString filePath(const QString& name) const;

    QProcess& process() { return m_program; }
    const QProcess& process() const { return m_program; }

    static QDBusMessage methodCall(const QString& path, const QString& interface,
                                   const QString& method, const QVariantList& arguments);
    // The application's documents property.
    static QDBusMessage documentsCall();

private:
    QTemporaryDir m_folder;
    QProcess m_program;
    rlim_t m_addressSpace = 0;
    QString m_path = QStringLiteral(LUNVIK_PROGRAM);
};
