#include "core/scripting/ScriptedOpenAlert.h"

#include "core/document/job/KestromText.h"
#include "core/scripting/ScriptedDocumentBudget.h"
#include "core/window/ErrorSheet.h"
#include "platform/Error.h"

#include <QMessageBox>

namespace kestrom {

platform::Error ScriptedOpenAlert::describe(const Outcome& outcome) {
    const int notOpened = outcome.refused + int(outcome.failures.size());
    // The one file the user or another program gave: its own words, as the
    // window says them for a picture chosen there.
    if (outcome.handedOver == 1 && outcome.refused == 0 && outcome.failures.size() == 1 &&
        outcome.failures.first()) {
        const platform::Error& only = *outcome.failures.first();
        platform::Error::UserInfo info;
        info.localizedDescription = only.localizedDescription();
        info.localizedRecoverySuggestion = only.localizedRecoverySuggestion();
        return platform::Error(only.domain(), only.code(), info);
    }
    platform::Error::UserInfo info;
    info.localizedDescription =
        outcome.handedOver == 1 && notOpened == 1
            ? KestromText::text("Scripting_OpenAlert_OneNotOpened")
        : notOpened == 1
            ? KestromText::text("Scripting_OpenAlert_OneOfNotOpened").arg(outcome.handedOver)
            : KestromText::text("Scripting_OpenAlert_NotOpened")
                  .arg(notOpened)
                  .arg(outcome.handedOver);
    QStringList reasons;
    if (outcome.refused > 0) {
        reasons << KestromText::text("Scripting_OpenAlert_OverTheLimits")
                       .arg(outcome.refused)
                       .arg(ScriptedDocumentBudget::newWindowsPerCall)
                       .arg(ScriptedDocumentBudget::documentsInAll);
    }
    for (qsizetype i = 0; i < outcome.failures.size() && i < listedFailures; ++i) {
        if (outcome.failures[i]) {
            reasons << outcome.failures[i]->localizedDescription();
        }
    }
    if (outcome.failures.size() > listedFailures) {
        reasons << KestromText::text("Scripting_OpenAlert_MoreFailures")
                       .arg(outcome.failures.size() - listedFailures);
    }
    info.localizedRecoverySuggestion = reasons.join(u'\n');
    return platform::Error(QStringLiteral("KestromScriptingError"), 0, info);
}

void ScriptedOpenAlert::tell(const Outcome& outcome, QWidget* window) {
    if (outcome.refused == 0 && outcome.failures.isEmpty()) {
        return;
    }
    if (!m_box) {
        m_shown = {};
    }
    m_shown.handedOver += outcome.handedOver;
    m_shown.refused += outcome.refused;
    m_shown.failures << outcome.failures;
    const platform::Error error = describe(m_shown);
    if (m_box) {
        m_box->setText(error.localizedDescription());
        m_box->setInformativeText(error.localizedRecoverySuggestion().value_or(QString()));
        return;
    }
    m_box = ErrorSheet::present(window, error);
}

QMessageBox* ScriptedOpenAlert::showing() const {
    return m_box && m_box->isVisible() ? m_box.data() : nullptr;
}

} // namespace kestrom
