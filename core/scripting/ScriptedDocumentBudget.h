#pragma once

#include <QPointer>

#include <vector>

namespace kestrom {

class Document;

// The documents other programs have opened over the bus and those on their
// way, so that a program that floods the bus cannot open windows, and take
// memory, without end: a call opens a few new windows at most, and other
// programs' documents are bounded in all until the user closes some. Main
// thread only.
class ScriptedDocumentBudget {
public:
    static constexpr int newWindowsPerCall = 8;
    static constexpr int documentsInAll = 16;

    // How many new documents the next call may open.
    int available() const;
    // Documents promised to a call and not opened yet.
    void reserve(int count) { m_reserved += count; }
    void release(int count);
    // A document opened for another program; it counts until it is closed.
    void add(Document* document);
    // Open documents of other programs and reserved ones.
    int used() const;

private:
    std::vector<QPointer<Document>> m_documents;
    int m_reserved = 0;
};

} // namespace kestrom
