#include "core/window/ErrorSheet.h"

#include "core/window/SheetParent.h"
#include "platform/Error.h"

#include <QMessageBox>

namespace kestrom {

QMessageBox* ErrorSheet::present(QWidget* window, const platform::Error& error) {
    window = SheetParent::of(window);
    auto* box = new QMessageBox(window);
    box->setObjectName(QStringLiteral("ErrorSheet"));
    box->setIcon(QMessageBox::Warning);
    box->setText(error.localizedDescription());
    box->setInformativeText(error.localizedRecoverySuggestion().value_or(QString()));
    // What it says may be a command to run or a path to look at: it can be
    // selected and copied.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setStandardButtons(QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
    return box;
}

} // namespace kestrom
