#include "core/launch/MainMenu.h"

#include "core/document/job/KestromText.h"
#include "core/launch/AppDelegate.h"
#include "core/launch/MenuMnemonics.h"

#include <QMenu>
#include <QMenuBar>

namespace kestrom {

using Action = DocumentActions::Action;

const QString MainMenu::placeholder = QStringLiteral("Kestrom");

namespace {

QAction* item(QMenu* menu, const char* key, const QKeySequence& shortcut = {}) {
    QAction* action = menu->addAction(KestromText::text(key));
    action->setObjectName(QString::fromLatin1(key));
    action->setShortcut(shortcut);
    return action;
}

QMenu* menu(QMenuBar* bar, const char* key) {
    QMenu* m = bar->addMenu(KestromText::text(key));
    m->setObjectName(QString::fromLatin1(key));
    return m;
}

} // namespace

QMenuBar* MainMenu::make(AppDelegate& delegate) {
    auto* bar = new QMenuBar;
    bar->setObjectName(QStringLiteral("MainMenu"));

    QMenu* application = menu(bar, "Menu_Application");
    QObject::connect(item(application, "Menu_About"), &QAction::triggered, &delegate,
                     &AppDelegate::showAboutPanel);
    application->addSeparator();
    QAction* quit = item(application, "Menu_Quit", QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, &delegate, &AppDelegate::terminate);

    QMenu* file = menu(bar, "Menu_File");
    QObject::connect(item(file, "Menu_New", QKeySequence::New), &QAction::triggered, &delegate,
                     &AppDelegate::newDocument);
    QObject::connect(item(file, "Menu_Open", QKeySequence::Open), &QAction::triggered, &delegate,
                     &AppDelegate::openDocument);
    QMenu* recent = file->addMenu(KestromText::text("Menu_OpenRecent"));
    recent->setObjectName(QStringLiteral("Menu_OpenRecent"));
    delegate.setRecentMenu(recent);
    file->addSeparator();
    QObject::connect(item(file, "Menu_Close", QKeySequence::Close), &QAction::triggered, &delegate,
                     &AppDelegate::closeDocument);
    QObject::connect(item(file, "Menu_Save", QKeySequence::Save), &QAction::triggered, &delegate,
                     &AppDelegate::saveDocument);
    // Not every desktop binds a key to Save As; Ctrl+Shift+S is the usual one.
    QObject::connect(item(file, "Menu_SaveAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)),
                     &QAction::triggered, &delegate, &AppDelegate::saveDocumentAs);
    QAction* revert = item(file, "Menu_Revert");
    QObject::connect(revert, &QAction::triggered, &delegate, &AppDelegate::revertDocumentToSaved);
    delegate.setRevertItem(revert);
    file->addSeparator();
    QAction* print = item(file, "Menu_Print", QKeySequence::Print);
    QObject::connect(print, &QAction::triggered, &delegate, &AppDelegate::printDocument);
    // The item takes the model's word for printing as the menu opens.
    // Saving in place changes what a revert would bring back.
    QObject::connect(file, &QMenu::aboutToShow, &delegate, [&delegate, print] {
        delegate.titlePrintItem(*print);
        delegate.refreshRevertItem();
    });

    QMenu* edit = menu(bar, "Menu_Edit");
    QAction* undo = item(edit, "Menu_Undo", QKeySequence::Undo);
    QAction* redo = item(edit, "Menu_Redo", QKeySequence::Redo);
    QObject::connect(undo, &QAction::triggered, &delegate, &AppDelegate::undo);
    QObject::connect(redo, &QAction::triggered, &delegate, &AppDelegate::redo);
    delegate.setUndoItems(undo, redo);
    edit->addSeparator();
    delegate.addDocumentCommandItem(item(edit, "Menu_Paste", QKeySequence::Paste), Action::paste);

    // The picture's own commands, enabled and titled by its document.
    QMenu* picture = menu(bar, "Menu_Picture");
    delegate.addDocumentCommandItem(item(picture, "Menu_RotateLeft"), Action::rotateLeft);
    delegate.addDocumentCommandItem(item(picture, "Menu_RotateRight"), Action::rotateRight);
    QAction* mirror = item(picture, "Menu_Mirror");
    mirror->setCheckable(true);
    delegate.addDocumentCommandItem(mirror, Action::flipImageHorizontally);
    picture->addSeparator();
    delegate.addDocumentCommandItem(item(picture, "PrintDocument_Menu_ActualSize"),
                                    Action::resizeImageToActualSize);
    delegate.addDocumentCommandItem(item(picture, "Menu_ScaleToFit"),
                                    Action::resizeImageScaleToFit);
    picture->addSeparator();
    delegate.addDocumentCommandItem(item(picture, "Menu_ResetPosition"), Action::resetPosition);
    delegate.addDocumentCommandItem(item(picture, "Menu_ResetRepeats"),
                                    Action::resetImageRepeatCount);
    delegate.addDocumentCommandItem(item(picture, "Menu_ResetConversion"),
                                    Action::resetBlackConversionProperties);

    QMenu* view = menu(bar, "Menu_View");
    QAction* toggleInspector = view->addAction(KestromText::text("Menu_HideInspector"));
    toggleInspector->setObjectName(QStringLiteral("Menu_ToggleInspector"));
    delegate.setToggleInspectorItem(toggleInspector);

    // Whatever changed since, the items are validated again as their menu
    // opens.
    for (QMenu* checked : {edit, picture, view}) {
        QObject::connect(checked, &QMenu::aboutToShow, &delegate,
                         &AppDelegate::refreshDocumentItems);
    }

    QMenu* help = menu(bar, "Menu_Help");
    QObject::connect(item(help, "Menu_KestromHelp", QKeySequence::HelpContents),
                     &QAction::triggered, &delegate, &AppDelegate::showHelpPanel);
    QObject::connect(item(help, "Menu_Acknowledgments"), &QAction::triggered, &delegate,
                     &AppDelegate::showAcknowledgmentsPanel);

    for (QMenu* each : bar->findChildren<QMenu*>()) {
        MenuMnemonics::keepComplete(each);
    }
    return bar;
}

void MainMenu::rename(QMenuBar& menuBar, const QString& applicationName) {
    const auto renamed = [&](QString title) { return title.replace(placeholder, applicationName); };
    for (QAction* top : menuBar.actions()) {
        top->setText(renamed(top->text()));
        QMenu* submenu = top->menu();
        if (!submenu) {
            continue;
        }
        submenu->setTitle(renamed(submenu->title()));
        for (QAction* entry : submenu->actions()) {
            entry->setText(renamed(entry->text()));
        }
    }
}

} // namespace kestrom
