#pragma once

#include <QString>

namespace kestrom {

class Document;

// Where a file panel of a document starts: the folder of its package, else
// the folder of its picture's file, else the user's home; never the
// process's working folder, which a desktop start leaves anywhere.
class PanelStartFolder {
public:
    static QString of(const Document* document);
};

} // namespace kestrom
