#pragma once

#include "model/LimitAlerts.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>

// The application's entry in the desktop's status area: the glyph, the label
// beside it where the host can show text, and the five-hour percentage drawn
// into the icon where it cannot, with the label in the tooltip. The
// application talks only to this class. How the item reaches the screen
// depends on the platform, one source file each:
//   StatusItem_sni.cpp   desktops with a session bus: our own
//                        StatusNotifierItem while a host shows such items,
//                        else Qt's tray icon (XEmbed), never both;
//   StatusItem_tray.cpp  elsewhere: Qt's tray icon.
class StatusItem : public QObject
{
    Q_OBJECT

public:
    explicit StatusItem(QObject* parent = nullptr);
    ~StatusItem() override;

    // Puts the item into the status area (now, or when a host appears).
    void show();

    // The label as the view model words it (empty: the glyph alone), the
    // five-hour percentage for icons that must carry it themselves, and the
    // tooltip's text.
    void setContent(const QString& label, std::optional<qint64> sessionPercent, const QString& toolTip);

    // The item's rectangle on screen, when the host reports one.
    std::optional<QRect> geometry() const;

    // Tells the user of a limit through the desktop's notifications; choosing
    // the notification opens the panel (openRequested).
    void notify(const LimitAlerts::Alert& alert);

signals:
    // A click on the item: open or close the panel. `anchor` is where the
    // item (or the click) is in global logical coordinates, when known.
    void activated(std::optional<QRect> anchor);
    // The item's menu, or a notification of ours chosen.
    void openRequested(std::optional<QRect> anchor);
    void refreshRequested();
    void quitRequested();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
