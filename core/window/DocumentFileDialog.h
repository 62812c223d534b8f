#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QPushButton>

class QAbstractItemView;
class QLineEdit;

namespace kestrom {

// A file panel that treats a document package as one file: it is chosen,
// never browsed into, while ordinary folders are still entered. Saving over
// a package asks first, as for any file that exists.
class DocumentFileDialog : public QFileDialog {
    Q_OBJECT

public:
    DocumentFileDialog(QWidget* parent, const QString& caption, AcceptMode mode);

    static bool isPackage(const QString& path);

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool choosePackageAt(const QAbstractItemView& view, const QModelIndex& index);
    QString typedPath() const;
    void enterFolder(const QString& path);
    void confirmReplacing(const QString& path);
    void finishAccepting(const QStringList& paths);
    void keepSaveLabel();
    void relabelSave();
    void namePackagesChosenInTheList();

    QLineEdit* m_name = nullptr;
    QAbstractItemView* m_list = nullptr;
    // Whether the name field, rather than the list, had the user's last word.
    bool m_typed = false;
    QPointer<QPushButton> m_save;
    QString m_saveLabel;
};

} // namespace kestrom
