#pragma once

#include "views/ModelList.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QStringList>

namespace ViewTexts {

// The texts a view shows, in layout order (top to bottom, left to right):
// every label, empty or not, and every button that is not hidden under `root`.
inline QStringList visible(const QWidget* root, const QLayout* layout = nullptr)
{
    QStringList texts;
    layout = layout ? layout : root->layout();
    for (int i = 0; i < layout->count(); ++i) {
        const QWidget* widget = layout->itemAt(i)->widget();
        if (widget && !widget->isVisibleTo(root))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            texts.append(label->text());
        else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            texts.append(button->text());
        else if (const auto* scroll = qobject_cast<const QScrollArea*>(widget))
            texts += visible(root, scroll->widget()->layout());
        else if (const auto* list = qobject_cast<const ModelList*>(widget))
            for (qsizetype row = 0; row < list->count(); ++row)
                for (const ModelList::Cell& cell : list->cells(row))
                    texts.append(cell.text);
        else if (const QLayout* nested = widget ? widget->layout() : layout->itemAt(i)->layout())
            texts += visible(root, nested);
    }
    return texts;
}

} // namespace ViewTexts
