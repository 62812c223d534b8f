#pragma once

#include <memory>

namespace platform {

class UndoManager;

// Holds one continuous edit of an undo manager open: a drag of the canvas,
// of a slider or of a slidable label, which spans many turns of the event
// loop and is still one undo step. Ends the edit when asked, when another
// begins, or when it goes away; an undo manager destroyed meanwhile is left
// alone.
class ContinuousUndoEdit {
public:
    ContinuousUndoEdit() = default;
    ~ContinuousUndoEdit();
    ContinuousUndoEdit(const ContinuousUndoEdit&) = delete;
    ContinuousUndoEdit& operator=(const ContinuousUndoEdit&) = delete;

    // Ends an edit still open first; without a manager nothing opens.
    void begin(UndoManager* undo);
    void end();
    bool isOpen() const { return m_undo != nullptr; }

private:
    UndoManager* m_undo = nullptr;
    std::weak_ptr<const bool> m_lifetime;
};

} // namespace platform
