#pragma once

#include <QFileDialog>

class QAbstractItemView;

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
    void enterFolder(const QString& path);
    void confirmReplacing(const QString& path);
    void finishAccepting(const QString& path);
    void keepSaveLabel();

    QString m_saveLabel;
};

} // namespace kestrom
