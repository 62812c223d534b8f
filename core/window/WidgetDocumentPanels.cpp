#include "core/window/WidgetDocumentPanels.h"

#include "core/document/application/Document.h"
#include "core/document/job/KestromText.h"
#include "core/window/DocumentFileDialog.h"
#include "core/window/DocumentWindow.h"
#include "core/window/ErrorSheet.h"
#include "core/window/PanelStartFolder.h"
#include "core/window/SheetParent.h"
#include "model/pictures/OriginalImage.h"
#include "platform/Error.h"
#include "platform/graphics/FileType.h"

#include <QApplication>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace kestrom {

namespace {

QWidget* windowOf(const Document* document) {
    if (DocumentWindow* window = DocumentWindow::windowFor(document)) {
        return window;
    }
    return QApplication::activeWindow();
}

DocumentWindow* anyShownDocumentWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<DocumentWindow*>(widget);
        if (window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

QMessageBox* sheet(QWidget* window, QMessageBox::Icon icon, const QString& text,
                   const QString& informative) {
    window = SheetParent::of(window);
    auto* box = new QMessageBox(window);
    box->setIcon(icon);
    box->setText(text);
    box->setInformativeText(informative);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    return box;
}

QString nameFilter(const char* key, const QStringList& extensions) {
    QStringList patterns;
    for (const QString& extension : extensions) {
        patterns << QStringLiteral("*.") + extension;
    }
    return KestromText::text(key) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
           QLatin1Char(')');
}

// The save panel's only file type: the document, by its localized name.
QStringList documentNameFilters() {
    return {nameFilter("Panel_DocumentType", {Document::packageExtension})};
}

// The open panel takes documents and pictures, as "Open With" does.
QStringList documentAndPictureNameFilters() {
    QStringList pictures;
    for (const QString& identifier : ambrel::OriginalImage::imageFileTypes()) {
        if (const auto type = platform::FileType::withIdentifier(identifier)) {
            pictures += type->filenameExtensions();
        }
    }
    pictures.removeDuplicates();
    return {nameFilter("Panel_DocumentOrPictureType",
                       QStringList{Document::packageExtension} + pictures),
            documentNameFilters().first(), nameFilter("Panel_PictureType", pictures)};
}

// The document of the window in front, whose folders the open panel starts in.
const Document* frontDocument() {
    const auto* window = qobject_cast<DocumentWindow*>(QApplication::activeWindow());
    return window ? window->document() : nullptr;
}

} // namespace

void WidgetDocumentPanels::chooseDocumentsToOpen(
    std::function<void(const QStringList& paths)> answer) {
    auto* panel = new DocumentFileDialog(QApplication::activeWindow(),
                                         KestromText::text("Panel_Open"), QFileDialog::AcceptOpen);
    panel->setObjectName(QStringLiteral("OpenPanel"));
    // Documents are folders named "<name>.lunvik", chosen as files; other
    // folders are browsed.
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setNameFilters(documentAndPictureNameFilters());
    panel->setDirectory(PanelStartFolder::of(frontDocument()));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(panel, &QFileDialog::filesSelected, panel,
                     [answer](const QStringList& paths) { answer(paths); });
    panel->open();
}

void WidgetDocumentPanels::chooseSaveLocation(
    Document& document, std::function<void(std::optional<QString> path)> answer) {
    auto* panel = new DocumentFileDialog(windowOf(&document), KestromText::text("Panel_Save"),
                                         QFileDialog::AcceptSave);
    panel->setObjectName(QStringLiteral("SavePanel"));
    panel->setNameFilters(documentNameFilters());
    panel->setDefaultSuffix(Document::packageExtension);
    panel->setDirectory(PanelStartFolder::of(&document));
    panel->selectFile(document.displayName() + QLatin1Char('.') + Document::packageExtension);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(panel, &QFileDialog::finished, panel, [panel, answer](int result) {
        const QStringList files = panel->selectedFiles();
        if (result == QDialog::Accepted && !files.isEmpty()) {
            answer(files.first());
        } else {
            answer(std::nullopt);
        }
    });
    panel->open();
}

void WidgetDocumentPanels::confirmRevert(Document& document, const RevertQuestion& question,
                                         std::function<void(bool revert)> answer) {
    // The question says which version comes back and what goes with it.
    const QString message =
        question.savedAt
            ? KestromText::text("Panel_Revert_MessageSavedAt")
                  .arg(document.displayName(),
                       QLocale().toString(question.savedAt->toLocalTime(), QLocale::ShortFormat))
            : KestromText::text("Panel_Revert_Message").arg(document.displayName());
    QMessageBox* box =
        sheet(windowOf(&document), QMessageBox::Warning, message,
              KestromText::text(question.savedInPlaceSince ? "Panel_Revert_DescriptionSavedInPlace"
                                                           : "Panel_Revert_Description"));
    box->setObjectName(QStringLiteral("RevertQuestion"));
    QPushButton* revert =
        box->addButton(KestromText::text("Panel_Revert_Button"), QMessageBox::DestructiveRole);
    box->addButton(QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, revert, answer](int) { answer(box->clickedButton() == revert); });
    box->open();
}

void WidgetDocumentPanels::askAboutChangeOnDisk(
    Document& document, std::function<void(DiskChangeAnswer answer)> answer) {
    QMessageBox* box =
        sheet(windowOf(&document), QMessageBox::Warning,
              KestromText::text("Panel_ChangedOnDisk_Message").arg(document.displayName()),
              KestromText::text("Panel_ChangedOnDisk_Description"));
    box->setObjectName(QStringLiteral("ChangedOnDiskQuestion"));
    QPushButton* keep =
        box->addButton(KestromText::text("Panel_ChangedOnDisk_Keep"), QMessageBox::AcceptRole);
    QPushButton* reopen = box->addButton(KestromText::text("Panel_ChangedOnDisk_Reopen"),
                                         QMessageBox::DestructiveRole);
    box->setDefaultButton(keep);
    // Neither answer is a cancel: Escape leaves the question open.
    box->setEscapeButton(static_cast<QAbstractButton*>(nullptr));
    QObject::connect(box, &QMessageBox::finished, box, [box, keep, reopen, answer](int) {
        if (box->clickedButton() == reopen) {
            answer(DiskChangeAnswer::reopen);
        } else if (box->clickedButton() == keep) {
            answer(DiskChangeAnswer::keepThisVersion);
        } else {
            answer(DiskChangeAnswer::undecided);
        }
    });
    box->open();
}

void WidgetDocumentPanels::askToSaveBeforeClosing(Document& document,
                                                  std::function<void(CloseAnswer answer)> answer) {
    QMessageBox* box = sheet(windowOf(&document), QMessageBox::Warning,
                             KestromText::text("Panel_Close_Message").arg(document.displayName()),
                             KestromText::text("Panel_Close_Description"));
    box->setObjectName(QStringLiteral("SaveChangesQuestion"));
    box->setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    // The toolkit's own titles have no letters to choose them by with Alt.
    box->button(QMessageBox::Save)->setText(KestromText::text("Panel_Close_Save"));
    box->button(QMessageBox::Discard)->setText(KestromText::text("Panel_Close_Discard"));
    box->button(QMessageBox::Cancel)->setText(KestromText::text("Panel_Close_Cancel"));
    box->setDefaultButton(QMessageBox::Save);
    QObject::connect(box, &QMessageBox::finished, box, [box, answer](int) {
        const auto button = box->standardButton(box->clickedButton());
        answer(button == QMessageBox::Save      ? CloseAnswer::save
               : button == QMessageBox::Discard ? CloseAnswer::discard
                                                : CloseAnswer::cancel);
    });
    box->open();
}

void WidgetDocumentPanels::presentError(Document* document, const platform::Error& error) {
    if (document) {
        ErrorSheet::present(windowOf(document), error);
        return;
    }
    // A document that fails to open at launch leaves an untitled window right
    // after: the error goes on that window rather than under it.
    QTimer::singleShot(0, qApp, [copy = error.clone()] {
        QWidget* window = QApplication::activeWindow();
        if (!qobject_cast<DocumentWindow*>(window)) {
            if (DocumentWindow* shown = anyShownDocumentWindow()) {
                window = shown;
            }
        }
        ErrorSheet::present(window, *copy);
    });
}

} // namespace kestrom
