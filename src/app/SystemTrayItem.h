#pragma once

#include "model/NamedColor.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>

#include <optional>

// The status item carried by Qt's own tray icon: the XEmbed fallback on
// Linux, the only way elsewhere. Qt cannot put text beside a tray icon, so
// where trays show square icons the icon carries the five-hour percentage
// and the tooltip the whole label; where the tray shows wide images as they
// are (the macOS menu bar) the icon is the glyph followed by the label. Its
// menu repeats what a click does, for trays that open the menu on a click.
class SystemTrayItem : public QObject
{
    Q_OBJECT

public:
    enum class Shape {
        Square, // the glyph, with the percentage drawn in where there is one
        Wide,   // the glyph followed by the label, one image
    };

    // The shape this platform's tray shows without squeezing.
    static Shape platformShape();

    explicit SystemTrayItem(Shape shape, QObject* parent = nullptr);

    void show();

    // `label` goes into a wide icon, `percent` into a square one, drawn for a
    // `bar` of that brightness; `toolTip` (the application's name when empty)
    // to the tooltip. The icon is redrawn only when what it shows changed.
    void setContent(const QString& label, std::optional<qint64> percent, const QString& toolTip, Appearance bar);

    // The icon's rectangle on screen, when the tray reports one (XEmbed does).
    std::optional<QRect> geometry() const;

    // A message from the icon, as the platform shows them.
    void showMessage(const QString& title, const QString& text);

signals:
    // A click on the icon: open or close the panel near `anchor` (global,
    // logical), or where the placement thinks best when absent.
    void activated(std::optional<QRect> anchor);
    // The menu's items.
    void openRequested(std::optional<QRect> anchor);
    void refreshRequested();
    void quitRequested();
    void messageClicked();

private:
    struct IconContent
    {
        QString label;
        std::optional<qint64> percent;
        Appearance bar;
        QList<qreal> ratios;
        friend bool operator==(const IconContent&, const IconContent&) = default;
    };

    QIcon icon(const IconContent& content) const;
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    std::optional<QRect> anchor() const;

    Shape m_shape;
    QSystemTrayIcon m_tray{this};
    QMenu m_menu;
    std::optional<IconContent> m_shown;
};
