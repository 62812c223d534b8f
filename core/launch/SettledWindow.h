#pragma once

namespace kestrom {

class DocumentWindow;

// Whether a document window shows what it was opened with, for a picture of
// it that is more than its first frame: no package is still being read, its
// picture has come in and its canvas has drawn all of it from the whole
// decode; or an alert shows on it, saying why not.
class SettledWindow {
public:
    static bool isSettled(const DocumentWindow& window);
};

} // namespace kestrom
