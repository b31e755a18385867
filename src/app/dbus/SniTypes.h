#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

class QImage;

// The StatusNotifierItem wire types. Images travel as ARGB32 pixels in
// network byte order (A, R, G, B per pixel), not premultiplied.

// (iiay)
struct DBusImage
{
    int width = 0;
    int height = 0;
    QByteArray argb;

    friend bool operator==(const DBusImage&, const DBusImage&) = default;
};
using DBusImageList = QList<DBusImage>; // a(iiay)

// (sa(iiay)ss)
struct DBusToolTip
{
    QString iconName;
    DBusImageList iconPixmap;
    QString title;
    QString description;

    friend bool operator==(const DBusToolTip&, const DBusToolTip&) = default;
};

Q_DECLARE_METATYPE(DBusImage)
Q_DECLARE_METATYPE(DBusToolTip)

QDBusArgument& operator<<(QDBusArgument& argument, const DBusImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusImage& image);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusToolTip& toolTip);

namespace SniTypes {

// Registers the types above with QtDBus; safe to call more than once.
void registerTypes();

// A null image gives an empty record.
DBusImage toDBusImage(const QImage& image);

} // namespace SniTypes
