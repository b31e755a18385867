#pragma once

#include <QColor>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>

#include <optional>

// The status item as Qt's own tray icon: the XEmbed fallback on Linux, the
// only way elsewhere. Qt cannot put text beside it, so the icon carries the
// five-hour percentage and the tooltip the whole label. Its menu repeats what
// a click does, for trays that open the menu on a click.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    explicit TrayIcon(QObject* parent = nullptr);

    void show();
    bool isVisible() const { return m_tray.isVisible(); }

    // `label` goes to the tooltip (the application's name when empty),
    // `percent` into the icon, drawn in `glyphColor`.
    void setContent(const QString& label, std::optional<qint64> percent, const QColor& glyphColor);
    QString toolTip() const { return m_tray.toolTip(); }

    // The icon's rectangle on screen, when the tray reports one (XEmbed does).
    std::optional<QRect> geometry() const;

    // The icon at every size a tray may ask for, including 22 × each
    // screen's device pixel ratio (a tray's usual slot), each drawn for its
    // size rather than scaled.
    static QIcon icon(std::optional<qint64> percent, const QColor& glyphColor, const QList<qreal>& devicePixelRatios);

signals:
    // A click on the icon: open or close the panel near `anchor` (global,
    // logical), or where the placement thinks best when absent.
    void activated(std::optional<QRect> anchor);
    // The menu's items.
    void openRequested(std::optional<QRect> anchor);
    void refreshRequested();
    void quitRequested();

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    std::optional<QRect> anchor() const;

    QSystemTrayIcon m_tray;
    QMenu m_menu;
    bool m_hasIcon = false;
    std::optional<qint64> m_percent;
    QColor m_glyphColor;
    QList<qreal> m_ratios;
};
