#include "core/window/DocumentFileDialog.h"

#include "core/document/Document.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

namespace kestrom {

DocumentFileDialog::DocumentFileDialog(QWidget* parent, const QString& caption, AcceptMode mode)
    : QFileDialog(parent, caption) {
    // The packages' inside must never show, which only the widget panel can
    // promise.
    setOption(DontUseNativeDialog);
    setAcceptMode(mode);
    for (const char* name : {"listView", "treeView"}) {
        if (auto* view = findChild<QAbstractItemView*>(QLatin1String(name))) {
            view->installEventFilter(this);
            view->viewport()->installEventFilter(this);
        }
    }
    if (mode == AcceptSave) {
        keepSaveLabel();
    }
}

bool DocumentFileDialog::isPackage(const QString& path) {
    const QFileInfo info(QDir::cleanPath(path));
    return info.isDir() && info.suffix() == Document::packageExtension;
}

void DocumentFileDialog::accept() {
    const QStringList files = selectedFiles();
    // A typed "Job1.lunvik/" names the package as well.
    const QString first = QDir::cleanPath(files.value(0));
    if (files.size() == 1 && isPackage(first)) {
        if (acceptMode() == AcceptSave && !testOption(DontConfirmOverwrite)) {
            confirmReplacing(first);
        } else {
            finishAccepting(first);
        }
        return;
    }
    // The open panel picks folders, but only packages are documents.
    if (acceptMode() == AcceptOpen && files.size() == 1 && QFileInfo(first).isDir()) {
        enterFolder(first);
        return;
    }
    QFileDialog::accept();
}

bool DocumentFileDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        auto* view = qobject_cast<QAbstractItemView*>(watched->parent());
        const auto* click = static_cast<QMouseEvent*>(event);
        if (view && click->button() == Qt::LeftButton) {
            return choosePackageAt(*view, view->indexAt(click->position().toPoint()));
        }
    } else if (event->type() == QEvent::KeyPress) {
        auto* view = qobject_cast<QAbstractItemView*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (view && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            return choosePackageAt(*view, view->currentIndex());
        }
    }
    return QFileDialog::eventFilter(watched, event);
}

// Activating a package in the list chooses it instead of entering it.
bool DocumentFileDialog::choosePackageAt(const QAbstractItemView& view, const QModelIndex& index) {
    const QString path = index.data(QFileSystemModel::FilePathRole).toString();
    if (!index.isValid() || !isPackage(path) || !(view.model()->flags(index) & Qt::ItemIsEnabled)) {
        return false;
    }
    selectFile(path);
    accept();
    return true;
}

void DocumentFileDialog::enterFolder(const QString& path) {
    setDirectory(path);
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        name->clear();
    }
}

void DocumentFileDialog::confirmReplacing(const QString& path) {
    // The same question the panel asks for any file that exists.
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                                    .arg(QFileInfo(path).fileName()),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setObjectName(QStringLiteral("ReplaceQuestion"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [this, path](int result) {
        if (result == QMessageBox::Yes) {
            finishAccepting(path);
        }
    });
    box->open();
}

void DocumentFileDialog::finishAccepting(const QString& path) {
    emit filesSelected({path});
    emit fileSelected(path);
    QDialog::accept();
}

// The panel relabels its button "Open" for any folder; a package is saved
// over, not opened.
void DocumentFileDialog::keepSaveLabel() {
    auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QPushButton* save = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr;
    if (!save || !name) {
        return;
    }
    m_saveLabel = save->text();
    connect(name, &QLineEdit::textChanged, this, [this, save] {
        const QStringList files = selectedFiles();
        if (files.size() == 1 && isPackage(files.first())) {
            save->setText(m_saveLabel);
        }
    });
}

} // namespace kestrom
