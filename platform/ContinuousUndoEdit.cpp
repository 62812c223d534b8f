#include "platform/ContinuousUndoEdit.h"

#include "platform/UndoManager.h"

namespace platform {

ContinuousUndoEdit::~ContinuousUndoEdit() {
    end();
}

void ContinuousUndoEdit::begin(UndoManager* undo) {
    end();
    if (!undo) {
        return;
    }
    m_undo = undo;
    m_lifetime = undo->lifetime();
    undo->beginContinuousEdit();
}

void ContinuousUndoEdit::end() {
    UndoManager* undo = m_undo;
    m_undo = nullptr;
    if (undo && m_lifetime.lock()) {
        undo->endContinuousEdit();
    }
}

} // namespace platform
