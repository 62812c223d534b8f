#include "core/window/DocumentFileDialog.h"

#include "core/document/application/Document.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>

namespace kestrom {

DocumentFileDialog::DocumentFileDialog(QWidget* parent, const QString& caption, AcceptMode mode)
    : QFileDialog(parent, caption) {
    // The packages' inside must never show, which only the widget panel can
    // promise.
    setOption(DontUseNativeDialog);
    setAcceptMode(mode);
    m_name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    m_list = findChild<QAbstractItemView*>(QStringLiteral("listView"));
    for (const char* name : {"listView", "treeView"}) {
        if (auto* view = findChild<QAbstractItemView*>(QLatin1String(name))) {
            view->installEventFilter(this);
            view->viewport()->installEventFilter(this);
        }
    }
    if (m_name) {
        connect(m_name, &QLineEdit::textEdited, this, [this] { m_typed = true; });
    }
    if (mode == AcceptSave) {
        keepSaveLabel();
    }
    namePackagesChosenInTheList();
}

bool DocumentFileDialog::isPackage(const QString& path) {
    const QFileInfo info(QDir::cleanPath(path));
    return info.isDir() && info.suffix() == Document::packageExtension;
}

void DocumentFileDialog::accept() {
    // Completing a typed path selects the folders on its way, which would
    // otherwise win over the path itself.
    if (m_typed && m_list && m_list->selectionModel()) {
        m_list->selectionModel()->clearSelection();
    }
    const QStringList files = selectedFiles();
    // A typed "Job1.lunvik/" names the package as well.
    const QString first = QDir::cleanPath(files.value(0));
    if (files.size() == 1 && isPackage(first)) {
        if (acceptMode() == AcceptSave && !testOption(DontConfirmOverwrite)) {
            confirmReplacing(first);
        } else {
            finishAccepting({first});
        }
        return;
    }
    // Several packages and files chosen at once are all opened.
    if (acceptMode() == AcceptOpen && files.size() > 1) {
        QStringList chosen;
        for (const QString& file : files) {
            const QString clean = QDir::cleanPath(file);
            if (isPackage(clean) || QFileInfo(clean).isFile()) {
                chosen << clean;
            }
        }
        if (chosen.size() == files.size()) {
            finishAccepting(chosen);
            return;
        }
    }
    // The open panel picks folders, but only packages are documents.
    if (acceptMode() == AcceptOpen && files.size() == 1 && QFileInfo(first).isDir()) {
        enterFolder(first);
        return;
    }
    QFileDialog::accept();
}

bool DocumentFileDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
        m_typed = false;
    }
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

// The typed name as the panel reads it: from the shown folder, "~" for
// home, with the document extension when it has none.
QString DocumentFileDialog::typedPath() const {
    QString text = m_name ? m_name->text() : QString();
    if (text == QStringLiteral("~") || text.startsWith(QStringLiteral("~/"))) {
        text = QDir::homePath() + text.mid(1);
    }
    QString path = QDir::cleanPath(directory().absoluteFilePath(text));
    const QFileInfo info(path);
    if (!info.isDir() && info.suffix().isEmpty() && !defaultSuffix().isEmpty()) {
        path += QLatin1Char('.') + defaultSuffix();
    }
    return path;
}

void DocumentFileDialog::enterFolder(const QString& path) {
    setDirectory(path);
    if (m_name) {
        m_name->clear();
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
            finishAccepting({path});
        }
    });
    box->open();
}

void DocumentFileDialog::finishAccepting(const QStringList& paths) {
    emit filesSelected(paths);
    emit fileSelected(paths.first());
    QDialog::accept();
}

// The panel relabels its button "Open" for any folder; a package is saved
// over, not opened.
void DocumentFileDialog::keepSaveLabel() {
    auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    m_save = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr;
    if (!m_save || !m_name) {
        return;
    }
    m_saveLabel = m_save->text();
    // After the panel's own relabelling, which both signals trigger.
    connect(m_name, &QLineEdit::textChanged, this, &DocumentFileDialog::relabelSave);
    if (m_list && m_list->selectionModel()) {
        connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &DocumentFileDialog::relabelSave);
    }
}

void DocumentFileDialog::relabelSave() {
    const QStringList files = m_typed ? QStringList{typedPath()} : selectedFiles();
    if (m_save && files.size() == 1 && isPackage(files.first())) {
        m_save->setText(m_saveLabel);
    }
}

// The panel leaves the name alone when a folder is picked in the list; a
// package picked there is named like any file.
void DocumentFileDialog::namePackagesChosenInTheList() {
    if (!m_list || !m_list->selectionModel() || !m_name) {
        return;
    }
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = m_list->selectionModel()->selectedRows();
        if (m_typed || rows.size() != 1) {
            return;
        }
        const QString path = rows.first().data(QFileSystemModel::FilePathRole).toString();
        if (isPackage(path)) {
            m_name->setText(QFileInfo(path).fileName());
        }
    });
}

} // namespace kestrom
