#include "app/dbus/SniTypes.h"

#include <QDBusMetaType>
#include <QImage>
#include <QtEndian>

QDBusArgument& operator<<(QDBusArgument& argument, const DBusImage& image)
{
    argument.beginStructure();
    argument << image.width << image.height << image.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusImage& image)
{
    argument.beginStructure();
    argument >> image.width >> image.height >> image.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusToolTip& toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.iconPixmap << toolTip.title << toolTip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusToolTip& toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.iconPixmap >> toolTip.title >> toolTip.description;
    argument.endStructure();
    return argument;
}

namespace SniTypes {

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusImage>();
        qDBusRegisterMetaType<DBusImageList>();
        qDBusRegisterMetaType<DBusToolTip>();
        return true;
    }();
    Q_UNUSED(registered);
}

DBusImage toDBusImage(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    DBusImage out;
    out.width = argb.width();
    out.height = argb.height();
    out.argb.resize(qsizetype(out.width) * out.height * 4);
    auto* dst = reinterpret_cast<uchar*>(out.argb.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* src = reinterpret_cast<const quint32*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x, dst += 4)
            qToBigEndian(src[x], dst);
    }
    return out;
}

} // namespace SniTypes
