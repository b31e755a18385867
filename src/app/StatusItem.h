#pragma once

#include <QColor>
#include <QMenu>
#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>

#include <optional>

// The application's entry in the desktop's status area. For now a
// QSystemTrayIcon showing the glyph, with the label text as its tooltip;
// the application talks only to this class, so the mechanism can change.
class StatusItem : public QObject
{
    Q_OBJECT

public:
    explicit StatusItem(QObject* parent = nullptr);

    void show();

    // The text beside the glyph where the host can show it; the tooltip here.
    void setLabel(const QString& label);
    QString label() const { return m_label; }
    QString toolTip() const;

    void setGlyphColor(const QColor& color);
    QColor glyphColor() const { return m_glyphColor; }

    // The item's rectangle on screen, when the host reports one.
    std::optional<QRect> geometry() const;

signals:
    // The user asked for the panel. `anchor` is where the item (or the
    // click) is in global logical coordinates, when known.
    void activated(std::optional<QRect> anchor);
    void quitRequested();

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    std::optional<QRect> anchor() const;

    QSystemTrayIcon m_tray;
    QMenu m_menu;
    QString m_label;
    QColor m_glyphColor;
};
