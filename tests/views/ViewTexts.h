#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QStringList>
#include <QWidget>

// The texts a section would put on screen, in layout order (top to bottom,
// left to right as the layouts stack them): every non-empty label and button
// that is not hidden under `root`.
namespace ViewTexts {

inline void collect(const QLayout* layout, const QWidget* root, QStringList& out)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QWidget* widget = item->widget()) {
            if (!widget->isVisibleTo(root))
                continue;
            if (const auto* label = qobject_cast<const QLabel*>(widget)) {
                if (!label->text().isEmpty())
                    out.append(label->text());
            } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
                out.append(button->text());
            } else if (widget->layout()) {
                collect(widget->layout(), root, out);
            }
        } else if (const QLayout* nested = item->layout()) {
            collect(nested, root, out);
        }
    }
}

inline QStringList visible(const QWidget* root)
{
    QStringList texts;
    if (root->layout())
        collect(root->layout(), root, texts);
    return texts;
}

// The text of the label with this object name under `parent`, or a null
// string when it is missing or hidden.
inline QString labelText(const QWidget* parent, const QString& name, const QWidget* root)
{
    const auto* label = parent->findChild<const QLabel*>(name);
    return label && label->isVisibleTo(root) ? label->text() : QString();
}

} // namespace ViewTexts
