#pragma once

#include <QChar>
#include <QString>

class QMenu;

namespace kestrom {

// Gives every item of a menu a mnemonic of its own. Titles from the string
// tables carry theirs; titles made at run time (a model's word for printing,
// an undo step, a recent document) get the first free letter, preferring
// the start of a word.
class MenuMnemonics {
public:
    // The mnemonic letter of a title ("&" before it, "&&" being a plain
    // ampersand), lower case; null when there is none.
    static QChar of(const QString& title);
    // The title with "&" before the first letter not in `taken` (lower
    // case), word starts first; unchanged when it has one already or no
    // letter is free.
    static QString given(const QString& title, const QString& taken);
    // A text shown as it is, with its ampersands doubled.
    static QString escaped(QString text);

    // Completes the menu's items now and each time it is about to show,
    // after the titles have been brought up to date.
    static void keepComplete(QMenu* menu);
    static void complete(QMenu& menu);
};

} // namespace kestrom
