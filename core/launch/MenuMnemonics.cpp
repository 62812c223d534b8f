#include "core/launch/MenuMnemonics.h"

#include <QAction>
#include <QMenu>

namespace kestrom {

QChar MenuMnemonics::of(const QString& title) {
    for (qsizetype i = 0; i + 1 < title.size(); ++i) {
        if (title[i] != u'&') {
            continue;
        }
        if (title[i + 1] == u'&') {
            ++i;
            continue;
        }
        return title[i + 1].isLetterOrNumber() ? title[i + 1].toLower() : QChar();
    }
    return {};
}

QString MenuMnemonics::given(const QString& title, const QString& taken) {
    if (!of(title).isNull()) {
        return title;
    }
    const auto freeAt = [&](qsizetype i) {
        return title[i].isLetterOrNumber() && !taken.contains(title[i].toLower()) &&
               (i == 0 || title[i - 1] != u'&');
    };
    qsizetype chosen = -1;
    // Word starts first, then any letter.
    for (qsizetype i = 0; i < title.size() && chosen < 0; ++i) {
        const bool wordStart = i == 0 || !title[i - 1].isLetterOrNumber();
        if (wordStart && freeAt(i)) {
            chosen = i;
        }
    }
    for (qsizetype i = 0; i < title.size() && chosen < 0; ++i) {
        if (freeAt(i)) {
            chosen = i;
        }
    }
    if (chosen < 0) {
        return title;
    }
    QString result = title;
    result.insert(chosen, u'&');
    return result;
}

QString MenuMnemonics::escaped(QString text) {
    return text.replace(QStringLiteral("&"), QStringLiteral("&&"));
}

void MenuMnemonics::keepComplete(QMenu* menu) {
    complete(*menu);
    // Connected last, so that it runs after the slots that retitle items.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { complete(*menu); });
}

void MenuMnemonics::complete(QMenu& menu) {
    const QList<QAction*> items = menu.actions();
    QString taken;
    for (const QAction* item : items) {
        if (const QChar letter = of(item->text()); !letter.isNull()) {
            taken += letter;
        }
    }
    for (QAction* item : items) {
        if (item->isSeparator() || item->text().isEmpty() || !of(item->text()).isNull()) {
            continue;
        }
        const QString title = given(item->text(), taken);
        if (title != item->text()) {
            taken += of(title);
            item->setText(title);
        }
    }
}

} // namespace kestrom
